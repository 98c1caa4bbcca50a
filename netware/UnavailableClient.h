// SPDX-License-Identifier: GPL-3.0-or-later
// A client that cannot start, standing in for one whose back end failed to
// come up (a network that cannot be opened): every operation fails with
// ERR_CLIENT_NOT_STARTED, and the error text of that code is the reason. The
// program's start-up then reports the failure once, in its usual sentence,
// with the reason in it.
#pragma once

#include <string>

#include "netware/NWClientBackend.h"

class UnavailableClient : public NWClientBackend {
public:
    explicit UnavailableClient(std::string reason) : reason_(std::move(reason)) {}

    NWCCODE ClientStartup(nuint32, nuint32) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE SplitPathByClient(const char*, char*, NWCONN_HANDLE&, char*, char*) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }
    NWCCODE DirectoryInfo(NWCONN_HANDLE, nuint8, const char*, const nuint8*, char*, nuint32&, nuint32&, nuint32&,
                          nuint32) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }
    NWCCODE DirSearchStart(NWCONN_HANDLE, nuint8, const char*, nuint8&, nuint16&, nuint16&, NWSEARCH_ENTRY&,
                           nuint32) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }
    NWCCODE DirSearchNext(NWCONN_HANDLE, nuint8, nuint16, nuint16, nuint8, const char*, NWSEARCH_ENTRY&,
                          nuint32) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }
    NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE, NWDIR_HANDLE, const char*, NWDIR_HANDLE&,
                                            nuint8*) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }
    NWCCODE NextDeletedFile(NWCONN_HANDLE, NWDIR_HANDLE, nuint32&, nuint8&, nuint32&, NWDELETED_INFO&) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE, NWDIR_HANDLE, nuint32, nuint8, nuint32, const char*) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE, NWDIR_HANDLE) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE UnpackDateTime(nuint32, NW_DATE&, NW_TIME&) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE NWGetVolumeName(NWCONN_HANDLE, nuint16, char*) override { return ERR_CLIENT_NOT_STARTED; }

    NWCCODE NextConnRef(nuint32&, NWCONN_REF&) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE PrimaryConnRef(NWCONN_REF&) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE NWCCOpenConnByRef(NWCONN_REF, nuint32, nuint32, NWCONN_HANDLE&) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }
    NWCCODE CloseConn(NWCONN_HANDLE) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE ConnInfo(NWCONN_HANDLE, nuint32, nuint32, char*) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE ConnRefInfo(NWCONN_REF, nuint32, nuint32, char*) override { return ERR_CLIENT_NOT_STARTED; }

    NWCCODE ContextCreate(NWDSContextHandle&) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE ContextFree(NWDSContextHandle) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE ContextGet(NWDSContextHandle, nuint32, nuint32&) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE ContextGet(NWDSContextHandle, nuint32, char*) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE ContextSet(NWDSContextHandle, nuint32, nuint32) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE ContextSet(NWDSContextHandle, nuint32, const char*) override { return ERR_CLIENT_NOT_STARTED; }
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle, NWCONN_HANDLE, nuint32, char*) override
    {
        return ERR_CLIENT_NOT_STARTED;
    }

    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

private:
    std::string reason_;
};
