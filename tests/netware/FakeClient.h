// SPDX-License-Identifier: GPL-3.0-or-later
// A small scripted client back end for the D_NW tests: connections, a
// directory tree in volume-path form, contexts and user names, each operation
// counted so the tests can tell which calls were (not) made.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "netware/NWClientBackend.h"

class FakeClient : public NWClientBackend {
public:
    struct Connection {
        std::string server;
        std::string tree;  // as the client hands it out (padded or not)
    };
    struct Search {
        std::string path;
        nuint8 attributes;
        std::string pattern;
    };
    struct ContextWrite {
        NWDSContextHandle context;
        nuint32 key;
        std::string text;
    };
    enum class ErrorLibrary { Full, NoStrerror, Absent };

    // Installs itself for its lifetime.
    FakeClient() { previous_ = SetClientBackend(this); }
    ~FakeClient() override { SetClientBackend(previous_); }

    // ---- Script ----
    NWCCODE startupCode = 0;
    std::vector<Connection> connections;  // reference = index + 1
    NWCONN_REF primaryRef = 0;            // 0: PrimaryConnRef fails
    NWCCODE openCode = 0;
    std::map<nuint32, std::string> users;  // object id -> name
    // Directories by volume path without separators after the colon ("SYS:", "SYS:A\B").
    std::map<std::string, std::vector<std::string>> subdirs;
    std::map<std::string, std::vector<std::string>> files;
    std::set<std::string> unknownToDirectoryInfo;
    // A broken server: every search step starts the listing over.
    bool searchRestartsEveryStep = false;
    ErrorLibrary errorLibrary = ErrorLibrary::Full;
    std::map<nuint32, std::string> errorTexts;  // codes the library has a text for
    std::map<nuint32, std::pair<NW_DATE, NW_TIME>> dates;

    // ---- Record ----
    std::map<std::string, int> calls;
    std::vector<nuint32> lookedUpIds;
    std::vector<ContextWrite> contextWrites;
    std::vector<Search> searches;
    std::vector<std::string> directoryInfoPaths;
    std::string splitPathSeen;
    int librariesLoaded = 0;

    void AddDir(const std::string& parent, const std::string& name)
    {
        subdirs[parent].push_back(name);
        subdirs[Child(parent, name)];
    }
    static std::string Child(const std::string& parent, const std::string& name)
    {
        return parent.back() == ':' ? parent + name : parent + "\\" + name;
    }
    int Count(const std::string& op) const
    {
        const auto it = calls.find(op);
        return it == calls.end() ? 0 : it->second;
    }
    int ContextSets(nuint32 key) const
    {
        return int(std::count_if(contextWrites.begin(), contextWrites.end(),
                                 [key](const ContextWrite& w) { return w.key == key; }));
    }

    // ---- calwin32 ----
    NWCCODE ClientStartup(nuint32, nuint32) override { return ++calls["ClientStartup"], startupCode; }
    NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                              char* directory) override
    {
        ++calls["SplitPathByClient"];
        splitPathSeen = path;
        std::string p = path;
        if (p.rfind("\\\\SRV1\\", 0) != 0) {
            conn = 0;  // written even on failure, as a real client may
            return ERR_INVALID_PATH;
        }
        conn = 7;
        std::string rest = p.substr(7);
        const auto slash = rest.find('\\');
        std::strcpy(server, "SRV1");
        std::strcpy(volume, rest.substr(0, slash).c_str());
        std::strcpy(directory, slash == std::string::npos ? "" : rest.substr(slash + 1).c_str());
        return 0;
    }
    NWCCODE DirectoryInfo(NWCONN_HANDLE, nuint8, const char* path, const nuint8* sequence, char* name,
                          nuint32&, nuint32&, nuint32&, nuint32) override
    {
        ++calls["DirectoryInfo"];
        directoryInfoPaths.push_back(path);
        if (std::count(sequence, sequence + 9, 0xFF) != 9)
            return ERR_INVALID_PATH;
        const std::string key = Key(path);
        if (!subdirs.count(key) || unknownToDirectoryInfo.count(key))
            return ERR_INVALID_PATH;
        std::strcpy(name, "x");
        return 0;
    }
    NWCCODE DirSearchStart(NWCONN_HANDLE, nuint8, const char* path, nuint8& volumeNumber, nuint16& directoryID,
                           nuint16& sequence, NWSEARCH_ENTRY&, nuint32) override
    {
        ++calls["DirSearchStart"];
        const std::string key = Key(path);
        if (!subdirs.count(key) || sequence != 0xFFFF)
            return ERR_INVALID_PATH;
        openDirs_.push_back(key);
        volumeNumber = 3;
        directoryID = nuint16(openDirs_.size() - 1);
        return 0;
    }
    NWCCODE DirSearchNext(NWCONN_HANDLE, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                          nuint8 attributes, const char* pattern, NWSEARCH_ENTRY& entry, nuint32) override
    {
        ++calls["DirSearchNext"];
        if (volumeNumber != 3 || directoryID >= openDirs_.size())
            return ERR_BAD_DIRECTORY_HANDLE;
        const std::string& dir = openDirs_[directoryID];
        if (sequence == 0xFFFF)
            searches.push_back({dir, attributes, pattern});
        const auto& names = attributes == SA_DIRECTORIES ? subdirs[dir] : files[dir];
        for (std::size_t i = sequence == 0xFFFF || searchRestartsEveryStep ? 0 : sequence; i < names.size(); ++i) {
            if (std::string(pattern) != "*" && names[i] != pattern)
                continue;
            entry.nextSequence = nuint16(i + 1);
            std::strcpy(entry.name, names[i].c_str());
            return 0;
        }
        return ERR_NO_FILES_FOUND;
    }
    NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE, NWDIR_HANDLE, const char*, NWDIR_HANDLE&,
                                            nuint8*) override
    {
        return ++calls["NWAllocTemporaryDirectoryHandle"], ERR_NO_MORE_DIR_HANDLES;
    }
    NWCCODE NextDeletedFile(NWCONN_HANDLE, NWDIR_HANDLE, nuint32&, nuint8&, nuint32&, NWDELETED_INFO&) override
    {
        return ++calls["NextDeletedFile"], ERR_NO_FILES_FOUND;
    }
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE, NWDIR_HANDLE, nuint32, nuint8, nuint32, const char*) override
    {
        return ++calls["NWPurgeDeletedFile"], ERR_NO_PURGE_PRIVILEGE;
    }
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE, NWDIR_HANDLE) override { return ++calls["ReleaseDirHandle"], 0; }
    NWCCODE UnpackDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time) override
    {
        ++calls["UnpackDateTime"];
        const auto it = dates.find(packed);
        if (it == dates.end())
            return ERR_INVALID_PARAMETER_FAKE;
        date = it->second.first;
        time = it->second.second;
        return 0;
    }
    NWCCODE NWGetVolumeName(NWCONN_HANDLE, nuint16 number, char* name) override
    {
        ++calls["NWGetVolumeName"];
        if (number != 0)
            return ERR_VOLUME_DOES_NOT_EXIST;
        std::strcpy(name, "SYS");
        return 0;
    }

    // ---- clxwin32 ----
    NWCCODE NextConnRef(nuint32& iterator, NWCONN_REF& connRef) override
    {
        ++calls["NextConnRef"];
        if (iterator >= connections.size())
            return ERR_CONNECTION_NOT_FOUND;
        connRef = ++iterator;
        return 0;
    }
    NWCCODE PrimaryConnRef(NWCONN_REF& connRef) override
    {
        ++calls["PrimaryConnRef"];
        if (primaryRef == 0)
            return ERR_CONNECTION_NOT_FOUND;
        connRef = primaryRef;
        return 0;
    }
    NWCCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32, NWCONN_HANDLE& conn) override
    {
        ++calls["NWCCOpenConnByRef"];
        openedRefs.push_back(connRef);
        if (openCode != 0) {
            conn = 0x1234;  // some clients scribble on the handle of a failed open
            return openCode;
        }
        conn = 100 + connRef;
        return openState == 1 ? 0 : ERR_INVALID_CONNECTION;
    }
    std::vector<NWCONN_REF> openedRefs;
    NWCCODE CloseConn(NWCONN_HANDLE) override { return ++calls["CloseConn"], 0; }
    // Handles are 100 + reference.
    NWCCODE ConnInfo(NWCONN_HANDLE conn, nuint32 infoType, nuint32 length, char* buffer) override
    {
        ++calls["ConnInfo"];
        return Info(conn - 100, infoType, length, buffer);
    }
    NWCCODE ConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 length, char* buffer) override
    {
        ++calls["ConnRefInfo"];
        return Info(connRef, infoType, length, buffer);
    }

    // ---- netwin32 ----
    NWCCODE ContextCreate(NWDSContextHandle& context) override
    {
        ++calls["ContextCreate"];
        context = nextContext_++;
        contexts_[context];
        return 0;
    }
    NWCCODE ContextFree(NWDSContextHandle context) override
    {
        ++calls["ContextFree"];
        return contexts_.erase(context) ? 0 : ERR_BAD_CONTEXT_FAKE;
    }
    NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, nuint32& value) override
    {
        ++calls["ContextGet"];
        if (!contexts_.count(context) || key != DCK_FLAGS)
            return ERR_BAD_CONTEXT_FAKE;
        value = contexts_[context].flags;
        return 0;
    }
    NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, char* text) override
    {
        ++calls["ContextGet"];
        if (!contexts_.count(context))
            return ERR_BAD_CONTEXT_FAKE;
        auto& c = contexts_[context];
        std::strcpy(text, (key == DCK_TREE_NAME ? c.tree : c.nameContext).c_str());
        return 0;
    }
    NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, nuint32 value) override
    {
        ++calls["ContextSet"];
        if (!contexts_.count(context))
            return ERR_BAD_CONTEXT_FAKE;
        contextWrites.push_back({context, key, std::to_string(value)});
        contexts_[context].flags = value;
        return 0;
    }
    NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, const char* text) override
    {
        ++calls["ContextSet"];
        if (!contexts_.count(context))
            return ERR_BAD_CONTEXT_FAKE;
        contextWrites.push_back({context, key, text});
        (key == DCK_TREE_NAME ? contexts_[context].tree : contexts_[context].nameContext) = text;
        return 0;
    }
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE, nuint32 objectID, char* name) override
    {
        ++calls["ObjectIdToNameByClient"];
        lookedUpIds.push_back(objectID);
        const auto it = users.find(objectID);
        if (!contexts_.count(context) || it == users.end())
            return ERR_NO_SUCH_OBJECT;
        std::strcpy(name, it->second.c_str());
        return 0;
    }
    // Direct access for tests that drive a context themselves.
    void SetContextTree(NWDSContextHandle context, const std::string& tree) { contexts_[context].tree = tree; }
    nuint32 ContextFlags(NWDSContextHandle context) { return contexts_[context].flags; }
    std::size_t OpenContexts() const { return contexts_.size(); }

    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override
    {
        ++librariesLoaded;
        if (errorLibrary == ErrorLibrary::Absent)
            return nullptr;
        return std::make_unique<Library>(errorLibrary == ErrorLibrary::Full, errorTexts);
    }

    static constexpr NWCCODE ERR_BAD_CONTEXT_FAKE = 0xFEB8;
    static constexpr NWCCODE ERR_INVALID_PARAMETER_FAKE = 0x8836;

private:
    struct ContextState {
        nuint32 flags = 0;
        std::string tree;
        std::string nameContext;
    };
    class Library : public NWErrorTextLibrary {
    public:
        Library(bool has, std::map<nuint32, std::string> texts) : has_(has), texts_(std::move(texts)) {}
        bool HasStrerror() const override { return has_; }
        std::string NWstrerror(nuint32 code) const override
        {
            const auto it = texts_.find(code);
            return it == texts_.end() ? "Unknown error" : it->second;
        }

    private:
        bool has_;
        std::map<nuint32, std::string> texts_;
    };

    NWCCODE Info(NWCONN_REF ref, nuint32 infoType, nuint32 length, char* buffer)
    {
        if (ref == 0 || ref > connections.size() || length != 255)
            return ERR_INVALID_CONNECTION;
        const Connection& c = connections[ref - 1];
        const std::string& text = infoType == NWCC_INFO_TREE_NAME ? c.tree : c.server;
        if (infoType != NWCC_INFO_TREE_NAME && infoType != NWCC_INFO_SERVER_NAME)
            return ERR_INVALID_PARAMETER_FAKE;
        std::strncpy(buffer, text.c_str(), length);
        return 0;
    }
    // "SYS:\A" and "SYS:A" name the same directory.
    static std::string Key(const std::string& path)
    {
        std::string p = path;
        const auto colon = p.find(':');
        if (colon != std::string::npos)
            while (colon + 1 < p.size() && (p[colon + 1] == '\\' || p[colon + 1] == '/'))
                p.erase(colon + 1, 1);
        return p;
    }

    NWClientBackend* previous_ = nullptr;
    std::vector<std::string> openDirs_;
    std::map<NWDSContextHandle, ContextState> contexts_;
    NWDSContextHandle nextContext_ = 1;
};
