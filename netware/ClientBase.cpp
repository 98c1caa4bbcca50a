// SPDX-License-Identifier: GPL-3.0-or-later
// The calls every client back end answers the same way.
#include "netware/ClientBase.h"

#include "netware/ClientText.h"
#include "netware/PackedDateTime.h"

NWCCODE ClientBase::ClientStartup(nuint32, nuint32) { return SUCCESSFUL; }

NWCCODE ClientBase::UnpackDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time)
{
    UnpackDeletedDateTime(packed, date, time);
    return SUCCESSFUL;
}

// ---- directories ------------------------------------------------------------

NWCCODE ClientBase::DirectoryInfo(NWCONN_HANDLE conn, nuint8, const char* path, const nuint8*, char* name,
                                  nuint32& attributes, nuint32& creationDateTime, nuint32& ownerID, nuint32)
{
    std::string found;
    if (NWCCODE code = DirectoryName(conn, path, found))
        return code;
    CopyText256(found, name);
    attributes = kDirectoryAttribute;
    creationDateTime = 0;
    ownerID = 0;
    return SUCCESSFUL;
}

NWCCODE ClientBase::DirSearchStart(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, nuint8& volumeNumber,
                                   nuint16& directoryID, nuint16&, NWSEARCH_ENTRY&, nuint32)
{
    if (dirHandle != 0 && RelativePaths())
        return StartSearchBelow(conn, dirHandle, path, volumeNumber, directoryID);
    return StartSearch(conn, path, volumeNumber, directoryID);
}

NWCCODE ClientBase::NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                                    NWDIR_HANDLE& newDirHandle, nuint8* rightsMask)
{
    const NWCCODE code = dirHandle != 0 && RelativePaths() ? AllocateDirHandleBelow(conn, dirHandle, path, newDirHandle)
                                                           : AllocateDirHandle(conn, path, newDirHandle);
    if (code != 0)
        return code;
    if (rightsMask)
        *rightsMask = 0xFF;
    return SUCCESSFUL;
}

NWCCODE ClientBase::StartSearchBelow(NWCONN_HANDLE conn, NWDIR_HANDLE, const char* path, nuint8& volumeNumber,
                                     nuint16& searchId)
{
    return StartSearch(conn, path, volumeNumber, searchId);
}

NWCCODE ClientBase::AllocateDirHandleBelow(NWCONN_HANDLE conn, NWDIR_HANDLE, const char* path, NWDIR_HANDLE& handle)
{
    return AllocateDirHandle(conn, path, handle);
}

// ---- connections ------------------------------------------------------------

NWCCODE ClientBase::NextConnRef(nuint32& iterator, NWCONN_REF& connRef)
{
    return Guarded([&] { return ConnectionTable::NextRef(Servers(), iterator, connRef); });
}

NWCCODE ClientBase::PrimaryConnRef(NWCONN_REF& connRef)
{
    return Guarded([&]() -> NWCCODE {
        const Server primary = PrimaryServer();
        if (!primary)
            return ERR_CONNECTION_NOT_FOUND;
        connRef = ConnectionTable::RefOf(primary);
        return SUCCESSFUL;
    });
}

NWCCODE ClientBase::NWCCOpenConnByRef(NWCONN_REF connRef, nuint32, nuint32, NWCONN_HANDLE& conn)
{
    return Guarded([&]() -> NWCCODE {
        const Server server = ConnectionTable::ServerOfRef(connRef, Servers());
        if (!server)
            return ERR_INVALID_CONNECTION;
        conn = conns_.Open(server);
        ConnectionOpened(conn);
        return SUCCESSFUL;
    });
}

NWCCODE ClientBase::CloseConn(NWCONN_HANDLE conn)
{
    if (!conns_.Close(conn))
        return ERR_INVALID_CONNECTION;
    ConnectionClosed(conn);
    return SUCCESSFUL;
}

NWCCODE ClientBase::ServerInfo(Server server, nuint32 infoType, nuint32 length, char* buffer)
{
    std::string name, tree;
    if (!server || !ServerNames(server, name, tree))
        return ERR_INVALID_CONNECTION;
    return CopyServerInfo(infoType, name, tree, length, buffer);
}

NWCCODE ClientBase::ConnInfo(NWCONN_HANDLE conn, nuint32 infoType, nuint32 length, char* buffer)
{
    return Guarded([&] { return ServerInfo(conns_.ServerOf(conn), infoType, length, buffer); });
}

NWCCODE ClientBase::ConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 length, char* buffer)
{
    return Guarded([&] {
        return ServerInfo(ConnectionTable::ServerOfRef(connRef, Servers()), infoType, length, buffer);
    });
}

// ---- name contexts ----------------------------------------------------------

NWCCODE ClientBase::ContextCreate(NWDSContextHandle& context) { return contexts_.Create(context); }

NWCCODE ClientBase::ContextFree(NWDSContextHandle context) { return contexts_.Free(context); }

NWCCODE ClientBase::ContextGet(NWDSContextHandle context, nuint32 key, nuint32& value)
{
    return contexts_.Get(context, key, value);
}

NWCCODE ClientBase::ContextGet(NWDSContextHandle context, nuint32 key, char* text)
{
    return contexts_.Get(context, key, text);
}

NWCCODE ClientBase::ContextSet(NWDSContextHandle context, nuint32 key, nuint32 value)
{
    return contexts_.Set(context, key, value);
}

NWCCODE ClientBase::ContextSet(NWDSContextHandle context, nuint32 key, const char* text)
{
    return contexts_.Set(context, key, text);
}
