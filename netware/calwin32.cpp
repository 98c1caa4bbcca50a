// SPDX-License-Identifier: GPL-3.0-or-later
// calwin32 operations, forwarded to the installed back end.
#include "netware/calwin32.h"

#include "netware/ClientForward.h"

using clientdetail::Forward;

NWCCODE ClientStartup(nuint32 reserved1, nuint32 reserved2)
{
    return Forward([&](NWClientBackend& b) { return b.ClientStartup(reserved1, reserved2); });
}

NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume, char* directory)
{
    return Forward([&](NWClientBackend& b) { return b.SplitPathByClient(path, server, conn, volume, directory); });
}

NWCCODE DirectoryInfo(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, const nuint8* searchSequence,
                      char* name, nuint32& attributes, nuint32& creationDateTime, nuint32& ownerID,
                      nuint32 reserved)
{
    return Forward([&](NWClientBackend& b) {
        return b.DirectoryInfo(conn, dirHandle, path, searchSequence, name, attributes, creationDateTime, ownerID,
                               reserved);
    });
}

NWCCODE DirSearchStart(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, nuint8& volumeNumber,
                       nuint16& directoryID, nuint16& sequence, NWSEARCH_ENTRY& buffer, nuint32 reserved)
{
    return Forward([&](NWClientBackend& b) {
        return b.DirSearchStart(conn, dirHandle, path, volumeNumber, directoryID, sequence, buffer, reserved);
    });
}

NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                      nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry, nuint32 reserved)
{
    return Forward([&](NWClientBackend& b) {
        return b.DirSearchNext(conn, volumeNumber, directoryID, sequence, searchAttributes, pattern, entry, reserved);
    });
}

NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                        NWDIR_HANDLE& newDirHandle, nuint8* rightsMask)
{
    return Forward([&](NWClientBackend& b) {
        return b.NWAllocTemporaryDirectoryHandle(conn, dirHandle, path, newDirHandle, rightsMask);
    });
}

NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                        nuint32& directoryBase, NWDELETED_INFO& entryInfo)
{
    return Forward([&](NWClientBackend& b) {
        return b.NextDeletedFile(conn, dirHandle, iterHandle, volumeNumber, directoryBase, entryInfo);
    });
}

NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                           nuint32 directoryBase, const char* fileName)
{
    return Forward([&](NWClientBackend& b) {
        return b.NWPurgeDeletedFile(conn, dirHandle, iterHandle, volumeNumber, directoryBase, fileName);
    });
}

NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle)
{
    return Forward([&](NWClientBackend& b) { return b.ReleaseDirHandle(conn, dirHandle); });
}

NWCCODE UnpackDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time)
{
    return Forward([&](NWClientBackend& b) { return b.UnpackDateTime(packed, date, time); });
}

NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName)
{
    return Forward([&](NWClientBackend& b) { return b.NWGetVolumeName(conn, volumeNumber, volumeName); });
}

NWCCODE NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                         std::uint64_t& freeBytes)
{
    return Forward([&](NWClientBackend& b) { return b.NWGetVolumeSpace(conn, volumeName, totalBytes, freeBytes); });
}
