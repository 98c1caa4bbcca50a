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

    // Test and tool settings of the client itself.
    void SetErrorTextLibraryMode(ErrorTextLibraryMode mode) { errorTextMode_ = mode; }
    void SetClientStartupCode(NWCCODE code) { startupCode_ = code; }
    void SetDirHandlePoolSize(int size) { dirHandles_.SetSize(size); }  // 1..255; the default is 254
    int DirHandlesInUse() const { return dirHandles_.InUse(); }

    EmulatedDatabase& Database() { return *db_; }
    NetworkStore& Store() { return *store_; }

    // calwin32
    NWCCODE ClientStartup(nuint32 reserved1, nuint32 reserved2) override;
    NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                              char* directory) override;
    NWCCODE DirectoryInfo(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, const nuint8* searchSequence,
                          char* name, nuint32& attributes, nuint32& creationDateTime, nuint32& ownerID,
                          nuint32 reserved) override;
    NWCCODE DirSearchStart(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, nuint8& volumeNumber,
                           nuint16& directoryID, nuint16& sequence, NWSEARCH_ENTRY& buffer,
                           nuint32 reserved) override;
    NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                          nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry,
                          nuint32 reserved) override;
    NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                            NWDIR_HANDLE& newDirHandle, nuint8* rightsMask) override;
    NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                            nuint32& directoryBase, NWDELETED_INFO& entryInfo) override;
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                               nuint32 directoryBase, const char* fileName) override;
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) override;

    // netwin32
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                   char* name) override;

    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

protected:
    // The workstation's connections: those the network lists, then servers
    // that SplitPathByClient attached to.
    std::vector<Server> Servers() override;
    Server PrimaryServer() override;
    bool ServerNames(Server server, std::string& name, std::string& tree) override;
    void ConnectionClosed(NWCONN_HANDLE conn) override;

private:
    explicit EmulatedClient(std::unique_ptr<EmulatedDatabase> db);

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
