// SPDX-License-Identifier: GPL-3.0-or-later
// Server folders: a NetWare server's volumes and their directories, browsed
// through the client's volume names and directory searches.
#include "widgets/FolderSource.h"

#include "netware/calwin32.h"
#include "netware/clxwin32.h"
#include "netware/D_NW.h"
#include "util/D_Util.h"

namespace {

constexpr nuint16 MaxVolumes = 256;

// A connection of the workstation to the server, found by its reference's
// server name and opened for the tree's own use.
bool OpenConnectionTo(const std::string& server, NWCONN_HANDLE& conn)
{
    nuint32 iterator = 0;
    NWCONN_REF reference = 0;
    while (NextConnRef(iterator, reference) == 0) {
        char name[256] = {};
        if (ConnRefInfo(reference, NWCC_INFO_SERVER_NAME, sizeof name, name) != 0)
            continue;
        name[sizeof name - 1] = '\0';
        if (SameTextAscii(name, server))
            return NWCCOpenConnByRef(reference, 1, 0, conn) == 0;
    }
    return false;
}

class ServerFolderSource : public FolderSource {
public:
    ServerFolderSource(std::string server, NWCONN_HANDLE conn) : server_(std::move(server)), conn_(conn) {}
    ~ServerFolderSource() override { CloseConn(conn_); }

    // The server itself, in the form the client resolves: \\SERVER.
    std::string RootPath() const override { return "\\\\" + server_; }
    std::string RootCaption() const override { return "\\\\" + server_ + "\\"; }
    char Separator() const override { return '\\'; }
    std::string Trouble() const override { return trouble_; }

    std::vector<FolderEntry> SubFolders(const std::string& path) override
    {
        trouble_.clear();
        const std::string below = BelowServer(path);
        if (below.empty())
            return Volumes(path);
        std::string volume, directory;
        SplitFirst(below, "\\", volume, directory);
        return Directories(path, volume + ":" + directory);
    }

private:
    // The part of a path of this server after "\\SERVER\", e.g. VOL1\DATA.
    std::string BelowServer(const std::string& path) const
    {
        const std::string root = RootPath();
        if (path.size() <= root.size() + 1)
            return {};
        return path.substr(root.size() + 1);
    }

    std::vector<FolderEntry> Volumes(const std::string& path)
    {
        std::vector<FolderEntry> entries;
        for (nuint16 number = 0; number < MaxVolumes; ++number) {
            char name[256] = {};
            if (const NWCCODE code = NWGetVolumeName(conn_, number, name); code != 0) {
                if (code == ERR_VOLUME_DOES_NOT_EXIST)
                    continue;  // volume numbers may have gaps
                // The server itself failed: asking for the next number would
                // only wait for it again.
                trouble_ = "The volumes of " + RootCaption() + " cannot be listed: " + NWErrorText(code);
                break;
            }
            name[sizeof name - 1] = '\0';
            if (name[0] != '\0')
                entries.push_back({name, RootPath() + "\\" + name});
        }
        SortFolderEntries(entries);
        return entries;
    }

    std::vector<FolderEntry> Directories(const std::string& path, const std::string& volumePath)
    {
        std::vector<FolderEntry> entries;
        nuint8 volumeNumber = 0;
        nuint16 directoryID = 0;
        nuint16 sequence = 0xFFFF;
        NWSEARCH_ENTRY entry{};
        if (const NWCCODE code =
                DirSearchStart(conn_, 0, volumePath.c_str(), volumeNumber, directoryID, sequence, entry, 0)) {
            trouble_ = path + " cannot be listed: " + NWErrorText(code);
            return entries;
        }
        while (DirSearchNext(conn_, volumeNumber, directoryID, sequence, SA_DIRECTORIES, "*", entry, 0) == 0) {
            entry.name[sizeof entry.name - 1] = '\0';
            sequence = entry.nextSequence;
            entries.push_back({entry.name, path + "\\" + entry.name});
        }
        SortFolderEntries(entries);
        return entries;
    }

    std::string server_;
    NWCONN_HANDLE conn_;
    std::string trouble_;
};

}  // namespace

std::unique_ptr<FolderSource> OpenServerFolderSource(const std::string& root)
{
    std::string server;
    NWCONN_HANDLE conn = 0;
    if (!IsServerRoot(root, &server) || !OpenConnectionTo(server, conn))
        throw FolderSourceError("no connection to the server of " + DoubleQuoted(root));
    return std::make_unique<ServerFolderSource>(server, conn);
}
