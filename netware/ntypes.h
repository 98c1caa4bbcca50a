// SPDX-License-Identifier: GPL-3.0-or-later
// Types shared by the NetWare client operations: integer widths, handles,
// completion codes and the records the client fills in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

using nuint8 = std::uint8_t;
using nuint16 = std::uint16_t;
using nuint32 = std::uint32_t;
using nint32 = std::int32_t;

using NWCCODE = nuint16;            // completion code, 0 = success
using NWCONN_HANDLE = nuint32;      // an open server connection
using NWCONN_REF = nuint32;         // a connection the workstation holds
using NWDIR_HANDLE = nuint8;        // temporary directory handle
using NWDSContextHandle = nuint32;  // directory-services name context

// Completion codes the system and the emulated client use.
constexpr NWCCODE SUCCESSFUL = 0x0000;
constexpr NWCCODE ERR_INVALID_CONNECTION = 0x8801;
constexpr NWCCODE ERR_NO_CONNECTION_TO_SERVER = 0x880F;
constexpr NWCCODE ERR_CONNECTION_NOT_FOUND = 0x880D;  // no (further) connection reference
constexpr NWCCODE ERR_BAD_DIRECTORY_HANDLE = 0x899B;
constexpr NWCCODE ERR_INVALID_PATH = 0x899C;
constexpr NWCCODE ERR_NO_MORE_DIR_HANDLES = 0x899D;
constexpr NWCCODE ERR_VOLUME_DOES_NOT_EXIST = 0x8998;
constexpr NWCCODE ERR_NO_PURGE_PRIVILEGE = 0x898A;
constexpr NWCCODE ERR_NO_SUCH_OBJECT = 0x89FC;
constexpr NWCCODE ERR_VOLUME_SPACE_UNKNOWN = 0x89FB;  // the client cannot tell a volume's space
constexpr NWCCODE ERR_NO_FILES_FOUND = 0x89FF;        // end of a search or of the deleted-file list
constexpr NWCCODE ERR_AMBIGUOUS_PATH = 0x89F0;        // several folders match the path only without case
constexpr NWCCODE ERR_CLIENT_NOT_STARTED = 0xFFFF;

// Info kinds of ConnInfo / ConnRefInfo.
constexpr nuint32 NWCC_INFO_TREE_NAME = 4;
constexpr nuint32 NWCC_INFO_SERVER_NAME = 7;

// Keys of ContextGet / ContextSet.
constexpr nuint32 DCK_FLAGS = 1;
constexpr nuint32 DCK_NAME_CONTEXT = 3;
constexpr nuint32 DCK_TREE_NAME = 11;

// Search attributes of DirSearchNext.
constexpr nuint8 SA_FILES = 0x06;        // files, hidden and system ones included
constexpr nuint8 SA_DIRECTORIES = 0x16;  // directories, hidden and system ones included

// The room of a deleted file's name. A NetWare name fits in 256 bytes; the
// stores behind the other clients hold names of 255 bytes or UTF-16 units,
// whose shown form (each byte or unit escaped) is up to several times longer,
// and a name is never cut into another one.
constexpr std::size_t kDeletedNameSize = 4096;

// Record of one salvageable (deleted) file. The system reads the name, the size,
// the packed deletion date-time and the deleting user's object id. The fields
// are in the order the client lays them out in; the name's room is larger.
struct NWDELETED_INFO {
    nuint32 sequence;
    nuint32 parent;
    nuint32 attributes;
    nuint8 uniqueID;
    nuint8 flags;
    nuint8 nameSpace;
    nuint8 nameLength;  // up to 255: the name's length is where its terminator is
    char name[kDeletedNameSize];
    nuint8 reserved1[24];
    nuint32 fileSize;      // the low 32 bits of the size
    nuint32 fileSizeHigh;  // the high 32 bits; 0 on a NetWare server, whose files stay below 4 GiB
    // The space the file takes on the disk, where the client can tell it
    // (allocatedKnown 1): a sparse file takes less than its size.
    nuint32 allocatedSize;
    nuint32 allocatedSizeHigh;
    nuint8 allocatedKnown;
    nuint8 reserved2[39];
    nuint32 deletedDateAndTime;  // packed, see UnpackDateTime
    nuint32 deletorID;
};
static_assert(offsetof(NWDELETED_INFO, name) == 16);
static_assert(offsetof(NWDELETED_INFO, deletorID) - offsetof(NWDELETED_INFO, name) == 340 + kDeletedNameSize - 256);

// Zeroes a record but for its name's room past the first byte, as a record
// is filled for each file: the name is read up to its terminator, and
// clearing the whole room for every file would cost more than the rest of it.
inline void ClearDeletedRecord(NWDELETED_INFO& record)
{
    std::memset(&record, 0, offsetof(NWDELETED_INFO, name) + 1);
    std::memset(&record.reserved1, 0, sizeof record - offsetof(NWDELETED_INFO, reserved1));
}

// The whole size of a deleted file: a client of local files has files beyond
// 4 GiB, and carries the high part beside the NetWare size.
inline std::uint64_t DeletedFileSize(const NWDELETED_INFO& record)
{
    return (static_cast<std::uint64_t>(record.fileSizeHigh) << 32) | record.fileSize;
}

// What a deleted file weighs under a budget: the space it takes on the disk
// where the client tells it, else its size.
inline std::uint64_t DeletedFileWeight(const NWDELETED_INFO& record)
{
    if (!record.allocatedKnown)
        return DeletedFileSize(record);
    return (static_cast<std::uint64_t>(record.allocatedSizeHigh) << 32) | record.allocatedSize;
}

// One entry of a directory search: the next sequence number, then the name.
// The name's room holds any folder name of the stores behind the clients in
// its shown form (255 UTF-16 units, each escaped), so none is cut.
constexpr std::size_t kSearchNameSize = 4096;
struct NWSEARCH_ENTRY {
    nuint16 nextSequence;
    nuint16 reserved;
    char name[kSearchNameSize];
};
static_assert(offsetof(NWSEARCH_ENTRY, name) == 4);

struct NW_DATE {
    nuint8 day;
    nuint8 month;
    nuint16 year;
};

struct NW_TIME {
    nuint8 seconds;
    nuint8 minutes;
    nuint16 hours;
};
