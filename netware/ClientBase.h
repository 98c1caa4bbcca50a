// SPDX-License-Identifier: GPL-3.0-or-later
// What every client back end answers the same way: start-up, packed dates, name
// contexts and the connection calls over one ConnectionTable. A back end names
// its servers and answers the directory and deleted-file calls itself.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "netware/CompletionCodes.h"
#include "netware/ConnectionTable.h"
#include "netware/NWClientBackend.h"
#include "netware/NameContexts.h"

class ClientBase : public NWClientBackend {
public:
    NWCCODE ClientStartup(nuint32 reserved1, nuint32 reserved2) override;
    NWCCODE UnpackDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time) override;

    NWCCODE NextConnRef(nuint32& iterator, NWCONN_REF& connRef) override;
    NWCCODE PrimaryConnRef(NWCONN_REF& connRef) override;
    NWCCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved, NWCONN_HANDLE& conn) override;
    NWCCODE CloseConn(NWCONN_HANDLE conn) override;
    NWCCODE ConnInfo(NWCONN_HANDLE conn, nuint32 infoType, nuint32 length, char* buffer) override;
    NWCCODE ConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 length, char* buffer) override;

    NWCCODE ContextCreate(NWDSContextHandle& context) override;
    NWCCODE ContextFree(NWDSContextHandle context) override;
    NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, nuint32& value) override;
    NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, char* text) override;
    NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, nuint32 value) override;
    NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, const char* text) override;

protected:
    using Server = ConnectionTable::Server;

    // The servers the workstation is attached to, in the order NextConnRef
    // lists them.
    virtual std::vector<Server> Servers() = 0;
    // The server of the primary connection; 0 when there is none.
    virtual Server PrimaryServer() = 0;
    // A server's name and directory tree; false for a server it does not know.
    virtual bool ServerNames(Server server, std::string& name, std::string& tree) = 0;
    // Told after a connection is opened and after one is closed.
    virtual void ConnectionOpened(NWCONN_HANDLE) {}
    virtual void ConnectionClosed(NWCONN_HANDLE) {}

    // Runs a call whose store may fail: the callers of a client expect codes,
    // never exceptions, so a failure answers ERR_IO_FAILURE.
    template <typename F>
    static NWCCODE Guarded(F&& call)
    {
        try {
            return call();
        } catch (const std::exception&) {
            return ERR_IO_FAILURE;
        }
    }

    ConnectionTable conns_;
    NameContexts contexts_;

private:
    NWCCODE ServerInfo(Server server, nuint32 infoType, nuint32 length, char* buffer);
};
