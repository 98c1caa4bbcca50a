// SPDX-License-Identifier: GPL-3.0-or-later
// Operations of the client's calwin32 library: start-up, path splitting,
// directory search, deleted files and purge, date-time unpacking, volume names.
// Each forwards to the installed client back end (NWClientBackend.h).
#pragma once

#include "netware/ntypes.h"

inline constexpr std::size_t kSplitDirectorySize = 1 << 20;

NWCCODE ClientStartup(nuint32 reserved1, nuint32 reserved2);
// server and volume are 256-byte buffers, directory one of kSplitDirectorySize
// bytes: a path that does not fit is refused, never cut.
NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume, char* directory);
// searchSequence: 9 bytes; name: 256-byte buffer.
NWCCODE DirectoryInfo(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, const nuint8* searchSequence,
                      char* name, nuint32& attributes, nuint32& creationDateTime, nuint32& ownerID,
                      nuint32 reserved);
NWCCODE DirSearchStart(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, nuint8& volumeNumber,
                       nuint16& directoryID, nuint16& sequence, NWSEARCH_ENTRY& buffer, nuint32 reserved);
NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                      nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry, nuint32 reserved);
NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                        NWDIR_HANDLE& newDirHandle, nuint8* rightsMask);
// iterHandle is 0xFFFFFFFF (-1) for the first call and carries the position on.
NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                        nuint32& directoryBase, NWDELETED_INFO& entryInfo);
NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                           nuint32 directoryBase, const char* fileName);
NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle);
NWCCODE UnpackDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time);
// volumeName: 256-byte buffer.
NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName);
// Total and free bytes of the volume on the connection's server; the space of
// salvageable files counts as used. ERR_VOLUME_SPACE_UNKNOWN when the client
// cannot tell.
NWCCODE NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                         std::uint64_t& freeBytes);
