// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated NetWare client: plays the client libraries and the servers behind
// them over one SQLite database per network (servers, volumes, directories, live
// and deleted files, users, the workstation's connections, injected faults).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "netware/ClientBase.h"
#include "netware/DirHandlePool.h"
#include "netware/DirSearches.h"
#include "netware/PackedDateTime.h"

class EmulatedDatabase;
class NetworkStore;

// Codes only the emulated client gives.
constexpr NWCCODE ERR_NO_SUCH_ENTRY = 0xFDA7;  // -601, the context's tree differs from the server's

// How much of the error-text library a client offers.
enum class ErrorTextLibraryMode {
    Full,         // the library with NWstrerror
    NoStrerror,   // the library loads but lacks NWstrerror
    Absent,       // the library cannot be loaded
};

class EmulatedClient : public ClientBase {
public:
    static std::unique_ptr<EmulatedClient> OpenInMemory();                  // empty network
    static std::unique_ptr<EmulatedClient> Open(const std::string& dbPath);  // creates the schema when new
    ~EmulatedClient() override;

    // Adds the contents of a line-based text fixture (docs/fixture-format.md) in
    // one transaction; throws std::runtime_error naming the line on a bad line,
    // and then adds nothing.
    void ImportFixture(const std::string& fixtureText);

    EmulatedDatabase& Database() { return *db_; }
    NetworkStore& Store() { return *store_; }

    // ---- servers, volumes, directories, as the network lists them
    // A UNC path (\\SERVER\VOLUME\dir); a server not yet attached is attached.
    NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                              char* directory) override;
    // Subdirectories or files, as the search attributes ask.
    NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                          nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry,
                          nuint32 reserved) override;
    NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) override;
    // From the volume's size and used bytes; a volume without a size answers
    // ERR_VOLUME_SPACE_UNKNOWN.
    NWCCODE NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                             std::uint64_t& freeBytes) override;
    // The code ClientStartup answers.
    void SetClientStartupCode(NWCCODE code) { startupCode_ = code; }
    NWCCODE ClientStartup(nuint32 reserved1, nuint32 reserved2) override;

    // ---- deleted files and their purge
    // Over the deleted files read when the handle was allocated, answering the
    // directory's injected scan and purge faults.
    NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                            nuint32& directoryBase, NWDELETED_INFO& entryInfo) override;
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                               nuint32 directoryBase, const char* fileName) override;
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    void SetDirHandlePoolSize(int size) { dirHandles_.SetSize(size); }  // 1..255; the default is 254
    int DirHandlesInUse() const { return dirHandles_.InUse(); }

    // ---- users and texts
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                   char* name) override;
    // How much of the error-text library LoadErrorTextLibrary offers.
    void SetErrorTextLibraryMode(ErrorTextLibraryMode mode) { errorTextMode_ = mode; }
    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

private:
    explicit EmulatedClient(std::unique_ptr<EmulatedDatabase> db);

    // The workstation's connections: those the network lists, then servers
    // that SplitPathByClient attached to.
    std::vector<Server> Servers() override;
    Server PrimaryServer() override;
    bool ServerNames(Server server, std::string& name, std::string& tree) override;
    void ConnectionClosed(NWCONN_HANDLE conn) override;

    struct DeletedRecord;
    struct DirHandleState;
    struct SearchState;
    struct ResolvedDir {
        long long serverId = 0;
        long long volumeId = 0;
        int volumeNumber = 0;
        long long dirId = 0;
    };

    NWCCODE ResolveDirectory(NWCONN_HANDLE conn, const char* path, ResolvedDir& out);
    // Over ResolveDirectory: a directory of the network store. An injected
    // "alloc" fault of the directory answers its code.
    NWCCODE AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle) override;
    NWCCODE StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId) override;
    NWCCODE DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name) override;

    std::unique_ptr<EmulatedDatabase> db_;
    std::unique_ptr<NetworkStore> store_;
    ErrorTextLibraryMode errorTextMode_ = ErrorTextLibraryMode::Full;
    NWCCODE startupCode_ = 0;

    std::vector<long long> addedConnections_;  // servers attached by SplitPathByClient
    DirHandlePool<std::unique_ptr<DirHandleState>> dirHandles_;
    DirSearches<std::unique_ptr<SearchState>> searches_;
};

// Where the program finds its network: $NWEMU_NETWORK when set, else
// $XDG_DATA_HOME/morvane/network.db (XDG_DATA_HOME defaults to ~/.local/share).
std::string DefaultNetworkPath();
// Opens the default network; a missing file is created (with its folders) and
// filled with the built-in demo network.
std::unique_ptr<EmulatedClient> OpenDefaultNetwork();
// Adds the built-in demo network: servers on two trees, volumes, nested
// directories, a few hundred deleted files by several users, dated relative to now.
void CreateDemoNetwork(EmulatedClient& client);
