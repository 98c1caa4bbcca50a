// SPDX-License-Identifier: GPL-3.0-or-later
// What every client back end answers the same way: start-up, packed dates, name
// contexts, the connection calls over one ConnectionTable, and the parts of the
// directory calls that no back end models (rights, owners, creation dates). A
// back end names its servers and answers the directory and deleted-file calls.
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
    // The attribute of a directory in searches and directory information.
    static constexpr nuint32 kDirectoryAttribute = 0x10;

    NWCCODE ClientStartup(nuint32 reserved1, nuint32 reserved2) override;
    NWCCODE UnpackDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time) override;

    // A directory as a folder without owner or creation date (DirectoryName).
    NWCCODE DirectoryInfo(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, const nuint8* searchSequence,
                          char* name, nuint32& attributes, nuint32& creationDateTime, nuint32& ownerID,
                          nuint32 reserved) final;
    // A full path, or one below dirHandle's directory where the back end
    // takes such paths (RelativePaths); the sequence and buffer are not used.
    NWCCODE DirSearchStart(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, nuint8& volumeNumber,
                           nuint16& directoryID, nuint16& sequence, NWSEARCH_ENTRY& buffer, nuint32 reserved) final;
    // A handle with all rights, for a path as DirSearchStart takes it
    // (AllocateDirHandle).
    NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                            NWDIR_HANDLE& newDirHandle, nuint8* rightsMask) final;

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

    // The directory a full path names on conn's server: its last part's name
    // as the back end spells it (the volume's for the volume itself).
    virtual NWCCODE DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name) = 0;
    // Starts a search of the directory's entries: the volume it is on and the
    // search's id, which DirSearchNext is given back.
    virtual NWCCODE StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId) = 0;
    // A new directory handle of conn for the directory; ERR_NO_MORE_DIR_HANDLES
    // when all are held.
    virtual NWCCODE AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle) = 0;
    // The same for a path below the directory that base, a handle of conn,
    // holds. Only a back end that takes relative paths is given a base; the
    // others are given full paths, whatever handle comes with them.
    virtual NWCCODE StartSearchBelow(NWCONN_HANDLE conn, NWDIR_HANDLE base, const char* path, nuint8& volumeNumber,
                                     nuint16& searchId);
    virtual NWCCODE AllocateDirHandleBelow(NWCONN_HANDLE conn, NWDIR_HANDLE base, const char* path,
                                           NWDIR_HANDLE& handle);

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
