// SPDX-License-Identifier: GPL-3.0-or-later
// The NetWare client behind the client operations: one installed back end
// answers every call. The program installs the emulated client; tests install a
// fresh one per test; another client plugs in the same way.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "netware/FolderNames.h"
#include "netware/ntypes.h"

// The client's error-text library ("NWERR32"). It is optional: a back end may
// have none, and a library may lack the NWstrerror function.
class NWErrorTextLibrary {
public:
    virtual ~NWErrorTextLibrary() = default;
    virtual bool HasStrerror() const = 0;
    // The client's text for a code; "Unknown error" where it has none.
    virtual std::string NWstrerror(nuint32 code) const = 0;
};

class NWClientBackend {
public:
    virtual ~NWClientBackend() = default;

    // calwin32
    virtual NWCCODE ClientStartup(nuint32 reserved1, nuint32 reserved2) = 0;
    virtual NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                                      char* directory) = 0;
    virtual NWCCODE DirectoryInfo(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, const nuint8* searchSequence,
                                  char* name, nuint32& attributes, nuint32& creationDateTime, nuint32& ownerID,
                                  nuint32 reserved) = 0;
    virtual NWCCODE DirSearchStart(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, nuint8& volumeNumber,
                                   nuint16& directoryID, nuint16& sequence, NWSEARCH_ENTRY& buffer,
                                   nuint32 reserved) = 0;
    virtual NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                                  nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry,
                                  nuint32 reserved) = 0;
    virtual NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                                    NWDIR_HANDLE& newDirHandle, nuint8* rightsMask) = 0;
    virtual NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle,
                                    nuint8& volumeNumber, nuint32& directoryBase, NWDELETED_INFO& entryInfo) = 0;
    virtual NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle,
                                       nuint8 volumeNumber, nuint32 directoryBase, const char* fileName) = 0;
    virtual NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) = 0;
    virtual NWCCODE UnpackDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time) = 0;
    // Name of the volume with the given number on the connection's server; fails
    // for a number the server doesn't use. The folder tree lists a server's
    // volumes with it.
    virtual NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) = 0;  // 256 bytes
    // Total and free bytes of the named volume of the connection's server, the
    // space of salvageable files counted as used. A client that cannot tell
    // answers ERR_VOLUME_SPACE_UNKNOWN, as this default does.
    virtual NWCCODE NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                                     std::uint64_t& freeBytes);

    // clxwin32
    virtual NWCCODE NextConnRef(nuint32& iterator, NWCONN_REF& connRef) = 0;
    virtual NWCCODE PrimaryConnRef(NWCONN_REF& connRef) = 0;
    virtual NWCCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved,
                                      NWCONN_HANDLE& conn) = 0;
    virtual NWCCODE CloseConn(NWCONN_HANDLE conn) = 0;
    virtual NWCCODE ConnInfo(NWCONN_HANDLE conn, nuint32 infoType, nuint32 length, char* buffer) = 0;
    virtual NWCCODE ConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 length, char* buffer) = 0;

    // netwin32
    virtual NWCCODE ContextCreate(NWDSContextHandle& context) = 0;
    virtual NWCCODE ContextFree(NWDSContextHandle context) = 0;
    virtual NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, nuint32& value) = 0;
    virtual NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, char* text) = 0;  // 256 bytes
    virtual NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, nuint32 value) = 0;
    virtual NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, const char* text) = 0;
    virtual NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                           char* name) = 0;  // 256 bytes

    // The error-text library, loaded by name on every call; nullptr when it
    // cannot be loaded.
    virtual std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() = 0;

    // Whether a failed purge ends the scan of its directory, as on a NetWare
    // server; a back end whose directories mix several owners' files says no.
    virtual bool FailedPurgeEndsScan() const { return true; }

    // Whether a failure with this code has been, or will be, told by the back
    // end itself (once for a whole server, say): the caller's error box would
    // only repeat it.
    virtual bool ReportsFailureItself(NWCCODE) const { return false; }
    // A job starts; purges: whether it may purge (not in the list mode). A
    // back end writes nothing on a server for a job that only lists, nor
    // between jobs.
    virtual void JobStarting(bool /*purges*/) {}
    // The job that the calls since the last one belonged to is over: a back
    // end reports what it kept for the job's end and starts afresh.
    virtual void JobFinished() {}
    // How the servers compare names: NetWare's without letter case; stores
    // that keep case say so.
    virtual NameCase NameRule() const { return NameCase::Ignored; }
    // Whether DirSearchStart and NWAllocTemporaryDirectoryHandle take, with a
    // directory handle, a path below that handle's directory ("" for the
    // directory itself). Without it a path is always a full one and the
    // handle is not looked at.
    virtual bool RelativePaths() const { return false; }
};

// Installs the back end that the client operations forward to and returns the
// previous one. Not owned. With none installed every operation fails with
// ERR_CLIENT_NOT_STARTED.
NWClientBackend* SetClientBackend(NWClientBackend* backend);
NWClientBackend* ClientBackend();

// Whether the installed back end's failed purge ends the scan of its directory
// (true without one).
inline bool FailedPurgeEndsScan()
{
    const NWClientBackend* backend = ClientBackend();
    return !backend || backend->FailedPurgeEndsScan();
}

// Tells the installed back end that a job starts, and whether it may purge.
inline void JobStarting(bool purges)
{
    if (NWClientBackend* backend = ClientBackend())
        backend->JobStarting(purges);
}

// Tells the installed back end that a job is over.
inline void JobFinished()
{
    if (NWClientBackend* backend = ClientBackend())
        backend->JobFinished();
}

// Whether the installed back end takes paths below a directory handle.
inline bool ClientTakesRelativePaths()
{
    const NWClientBackend* backend = ClientBackend();
    return backend && backend->RelativePaths();
}

// The installed back end's rule for names (NetWare's without one).
inline NameCase NameRule()
{
    const NWClientBackend* backend = ClientBackend();
    return backend ? backend->NameRule() : NameCase::Ignored;
}
