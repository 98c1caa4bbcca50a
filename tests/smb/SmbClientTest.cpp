// SPDX-License-Identifier: GPL-3.0-or-later
// The SMB client against the test smbd, called as the program calls it: the
// purge of a file changed since the listing, the login box, the shares and
// their space.
#include <sys/statvfs.h>
#include <unistd.h>

#include "SmbTestSupport.h"
#include "netware/calwin32.h"
#include "netware/smb/SmbClient.h"
#include "netware/smb/SmbErrors.h"

namespace {

namespace fs = std::filesystem;

class SmbClientTest : public SmbServerTest {
protected:
    std::unique_ptr<SmbClient> Client(const std::string& credentials, SmbLoginPrompt prompt = {})
    {
        SmbServerSettings settings;
        settings.name = "FS1";
        settings.host = "127.0.0.1";
        settings.port = server_->Port();
        settings.credentialsFile = credentials;
        settings.shares["USERS"].repository = ".recycle/%U";
        return std::make_unique<SmbClient>(std::vector<SmbServerSettings>{settings}, std::move(prompt));
    }

    // Opens the first server and a directory handle on the path.
    void Open(SmbClient& client, const char* path)
    {
        ASSERT_EQ(client.NWCCOpenConnByRef(ConnectionTable::RefOf(1), 1, 0, conn), 0);
        ASSERT_EQ(client.NWAllocTemporaryDirectoryHandle(conn, 0, path, dirHandle, nullptr), 0);
    }

    NWCONN_HANDLE conn = 0;
    NWDIR_HANDLE dirHandle = 0;
};

TEST_F(SmbClientTest, AFileReplacedOrChangedSinceTheListingIsKept)
{
    server_->Recycle(SambaServer::kBob, "team", "d", "swap.txt", "listed");
    server_->Recycle(SambaServer::kBob, "team", "d", "grown.txt", "listed");
    server_->Recycle(SambaServer::kBob, "team", "d", "gone.txt", "listed");
    server_->Recycle(SambaServer::kBob, "team", "d", "fine.txt", "listed");
    const auto client = Client(Credentials(SambaServer::kAlice, SambaServer::kAlicePassword));
    Open(*client, "TEAM:d");

    std::map<std::string, std::pair<nuint32, NWDELETED_INFO>> listed;
    nuint32 iter = 0xFFFFFFFFu, base = 0;
    nuint8 volume = 0;
    NWDELETED_INFO record{};
    while (client->NextDeletedFile(conn, dirHandle, iter, volume, base, record) == 0)
        listed[record.name] = {iter, record};
    ASSERT_EQ(listed.size(), 4u);

    const fs::path bin = server_->ShareFolder("team") / ".recycle" / "d";
    fs::remove(bin / "swap.txt");
    WriteFile(bin / "swap.txt", "listed", 0644);  // the same size, another file
    WriteFile(bin / "grown.txt", "listed and more", 0644);
    fs::remove(bin / "gone.txt");
    for (const char* name : {"swap.txt", "grown.txt", "gone.txt", "fine.txt"}) {
        SCOPED_TRACE(name);
        const auto& [handle, r] = listed[name];
        EXPECT_EQ(client->NWPurgeDeletedFile(conn, dirHandle, handle, volume, base, name),
                  std::string(name) == "fine.txt" ? SUCCESSFUL : SMB_ERR_NO_SUCH_DELETED_FILE);
    }
    // A name that is not the listed one's is refused too.
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, dirHandle, listed["swap.txt"].first, volume, base, "fine.txt"),
              SMB_ERR_NO_SUCH_DELETED_FILE);
    EXPECT_EQ(client->ReleaseDirHandle(conn, dirHandle), 0);
    EXPECT_EQ(TreeOf(bin), (std::vector<std::string>{"grown.txt", "swap.txt"}));
}

TEST_F(SmbClientTest, TheLoginBoxIsAskedOncePerServerAndRunAndItsPasswordStaysInMemory)
{
    server_->Recycle(SambaServer::kBob, "nas", "", "a.txt", "x");
    int asked = 0;
    std::string password = "wrong";
    const auto client = Client("", [&](const std::string& server, SmbCredentials& credentials) {
        ++asked;
        EXPECT_EQ(server, "FS1");
        credentials.user = SambaServer::kBob;
        credentials.password = password;
        return true;
    });
    ASSERT_EQ(client->NWCCOpenConnByRef(ConnectionTable::RefOf(1), 1, 0, conn), 0);
    char name[256] = {};
    EXPECT_EQ(client->NWGetVolumeName(conn, 0, name), SMB_ERR_LOGON_FAILURE);
    EXPECT_EQ(client->NWGetVolumeName(conn, 0, name), SMB_ERR_LOGON_FAILURE);  // at once, not asked again
    EXPECT_EQ(asked, 1);

    password = SambaServer::kBobPassword;
    const auto second = Client("", [&](const std::string&, SmbCredentials& credentials) {
        ++asked;
        credentials.user = SambaServer::kBob;
        credentials.password = password;
        return true;
    });
    ASSERT_EQ(second->NWCCOpenConnByRef(ConnectionTable::RefOf(1), 1, 0, conn), 0);
    std::vector<std::string> shares;
    for (nuint16 n = 0; second->NWGetVolumeName(conn, n, name) == 0; ++n)
        shares.push_back(name);
    EXPECT_EQ(shares, (std::vector<std::string>{"users", "team", "nas"}));  // not IPC$
    EXPECT_EQ(asked, 2);

    std::uint64_t total = 0, free = 0;
    EXPECT_EQ(second->NWGetVolumeSpace(conn, "NAS", total, free), 0);
    EXPECT_LE(free, total);
    // The share's own file system, counted in bytes.
    struct statvfs st {};
    ASSERT_EQ(statvfs(server_->ShareFolder("nas").c_str(), &st), 0);
    const std::uint64_t localTotal = static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize;
    EXPECT_NEAR(static_cast<double>(total), static_cast<double>(localTotal), 1 << 20);
}

// Per-user bins merge into one tree of folders: bob's "projects" and alice's
// "Projects" stay two folders there, and a start path naming one never lists
// or purges the other's files; two 255-byte names sharing their first 254
// bytes are two folders too.
TEST_F(SmbClientTest, AStartPathNamingOneUsersFolderNeverReachesAnotherUsersFolderOfAnotherCase)
{
    const fs::path bins = server_->ShareFolder("users") / ".recycle";
    std::string long1(255, 'L'), long2(255, 'L');
    long1.back() = '1';
    long2.back() = '2';
    WriteFile(bins / SambaServer::kBob / "projects" / "b.txt", "bob's", 0644);
    WriteFile(bins / SambaServer::kAlice / "Projects" / "a.txt", "alice's", 0644);
    WriteFile(bins / SambaServer::kBob / long1 / "l1.txt", "1", 0644);
    WriteFile(bins / SambaServer::kBob / long2 / "l2.txt", "2", 0644);
    const auto client = Client(Credentials(SambaServer::kAlice, SambaServer::kAlicePassword));
    ASSERT_EQ(client->NWCCOpenConnByRef(ConnectionTable::RefOf(1), 1, 0, conn), 0);

    const auto split = [&](const std::string& shown, std::string& directory) {
        char server[256] = {}, volume[256] = {};
        std::vector<char> buffer(kSplitDirectorySize);
        NWCONN_HANDLE splitConn = 0;
        const NWCCODE code = client->SplitPathByClient(("\\\\FS1\\USERS\\" + shown).c_str(), server, splitConn,
                                                       volume, buffer.data());
        directory = buffer.data();
        return code;
    };
    struct Folder {
        std::string shown;
        const char* item;
        fs::path file;
    };
    const Folder folders[] = {
        {"projects", "b.txt", bins / SambaServer::kBob / "projects" / "b.txt"},
        {"Projects", "a.txt", bins / SambaServer::kAlice / "Projects" / "a.txt"},
        {long1, "l1.txt", bins / SambaServer::kBob / long1 / "l1.txt"},
        {long2, "l2.txt", bins / SambaServer::kBob / long2 / "l2.txt"},
    };
    for (const Folder& folder : folders) {
        SCOPED_TRACE(folder.item);
        std::string directory;
        ASSERT_EQ(split(folder.shown, directory), 0);
        EXPECT_EQ(directory, folder.shown);
        ASSERT_EQ(client->NWAllocTemporaryDirectoryHandle(conn, 0, ("USERS:" + folder.shown).c_str(), dirHandle,
                                                          nullptr),
                  0);
        std::vector<std::string> listed;
        nuint32 iter = 0xFFFFFFFFu, base = 0;
        nuint8 volume = 0;
        NWDELETED_INFO record{};
        while (client->NextDeletedFile(conn, dirHandle, iter, volume, base, record) == 0) {
            listed.push_back(record.name);
            EXPECT_EQ(client->NWPurgeDeletedFile(conn, dirHandle, iter, volume, base, record.name), 0);
        }
        EXPECT_EQ(listed, std::vector<std::string>{folder.item});
        EXPECT_EQ(client->ReleaseDirHandle(conn, dirHandle), 0);
        EXPECT_FALSE(fs::exists(folder.file));
        if (&folder == &folders[0]) {
            EXPECT_TRUE(fs::exists(folders[1].file)) << "alice's file outlives the purge of bob's folder";
        }
    }
    std::string directory;
    EXPECT_EQ(split("PROJECTS", directory), ERR_AMBIGUOUS_PATH) << "not guessed";
}

}  // namespace
