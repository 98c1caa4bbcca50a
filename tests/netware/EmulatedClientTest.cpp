// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated client as the program sees it: connections, tree and server
// names, path splitting, directory searches, contexts, user names, error texts.
#include <gtest/gtest.h>

#include <cstring>

#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"

namespace {

const char* const kNetwork = R"(
server SRV1 tree=TREE1
server SRV2 tree=TREE1
server FAR tree=AN_EXACTLY_32_CHARACTER_TREE_NAM
server LONELY tree=TREE2
volume SRV1 SYS
volume SRV1 VOL1
volume SRV2 APPS number=3
volume FAR SYS
dir \\SRV1\VOL1\DATA\A\A1
dir \\SRV1\VOL1\DATA\B\B1
dir \\SRV1\VOL1\DATA\notes
file \\SRV1\VOL1\DATA\live.txt size=10
file \\SRV1\VOL1\DATA\other.doc
deleted \\SRV1\VOL1\DATA\GONE size=1 deleted="2020-01-01 00:00:00"
user 0x1001 ADMIN
user 0x1002 ""
connection SRV2
connection SRV1 primary
connection FAR
fault name 0x1003 code=0x89FB
)";

class EmulatedClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        client = EmulatedClient::OpenInMemory();
        client->ImportFixture(kNetwork);
    }

    NWCONN_HANDLE Open(const char* server)
    {
        char s[256], v[256], d[256];
        NWCONN_HANDLE conn = 0;
        std::string path = std::string("\\\\") + server + "\\" + (std::strcmp(server, "SRV2") ? "SYS" : "APPS");
        EXPECT_EQ(client->SplitPathByClient(path.c_str(), s, conn, v, d), 0);
        return conn;
    }

    std::vector<std::string> Search(NWCONN_HANDLE conn, const char* path, nuint8 attributes, const char* pattern)
    {
        nuint8 volume = 0;
        nuint16 dirId = 0, sequence = 0xFFFF;
        NWSEARCH_ENTRY entry{};
        std::vector<std::string> names;
        if (client->DirSearchStart(conn, 0, path, volume, dirId, sequence, entry, 0) != 0)
            return {"<start failed>"};
        while (client->DirSearchNext(conn, volume, dirId, sequence, attributes, pattern, entry, 0) == 0) {
            names.push_back(entry.name);
            sequence = entry.nextSequence;
        }
        return names;
    }

    std::unique_ptr<EmulatedClient> client;
};

TEST_F(EmulatedClientTest, ConnectionReferencesInWorkstationOrderThenAnError)
{
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    std::vector<std::string> servers;
    while (client->NextConnRef(iterator, ref) == 0) {
        char name[255];
        ASSERT_EQ(client->ConnRefInfo(ref, NWCC_INFO_SERVER_NAME, sizeof name, name), 0);
        servers.push_back(name);
    }
    EXPECT_EQ(servers, (std::vector<std::string>{"SRV2", "SRV1", "FAR"}));
    EXPECT_NE(client->NextConnRef(iterator, ref), 0);

    NWCONN_REF primary = 0;
    ASSERT_EQ(client->PrimaryConnRef(primary), 0);
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(primary, 1, 0, conn), 0);
    char name[255];
    ASSERT_EQ(client->ConnInfo(conn, NWCC_INFO_SERVER_NAME, sizeof name, name), 0);
    EXPECT_STREQ(name, "SRV1");
    // A reference is no handle, and a closed handle is gone.
    EXPECT_EQ(client->ConnInfo(primary, NWCC_INFO_SERVER_NAME, sizeof name, name), ERR_INVALID_CONNECTION);
    EXPECT_EQ(client->CloseConn(conn), 0);
    EXPECT_EQ(client->ConnInfo(conn, NWCC_INFO_SERVER_NAME, sizeof name, name), ERR_INVALID_CONNECTION);
}

TEST_F(EmulatedClientTest, WorkstationWithoutConnectionsFailsTheFirstIterationAndThePrimary)
{
    auto empty = EmulatedClient::OpenInMemory();
    empty->ImportFixture("server S\nvolume S SYS\n");
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    EXPECT_EQ(empty->NextConnRef(iterator, ref), ERR_CONNECTION_NOT_FOUND);
    EXPECT_EQ(empty->PrimaryConnRef(ref), ERR_CONNECTION_NOT_FOUND);
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(empty->NWCCOpenConnByRef(0x10001, 1, 0, conn), ERR_INVALID_CONNECTION);
}

TEST_F(EmulatedClientTest, TreeNamesArePaddedWithUnderscoresTo32Characters)
{
    char text[255];
    ASSERT_EQ(client->ConnInfo(Open("SRV1"), NWCC_INFO_TREE_NAME, sizeof text, text), 0);
    EXPECT_EQ(std::string(text), "TREE1" + std::string(27, '_'));
    ASSERT_EQ(client->ConnInfo(Open("FAR"), NWCC_INFO_TREE_NAME, sizeof text, text), 0);
    EXPECT_STREQ(text, "AN_EXACTLY_32_CHARACTER_TREE_NAM");
    EXPECT_EQ(client->ConnInfo(Open("SRV1"), 99, sizeof text, text), ERR_INVALID_PARAMETER);
    // The buffer length given is respected, NUL included.
    char small[6];
    ASSERT_EQ(client->ConnInfo(Open("SRV1"), NWCC_INFO_TREE_NAME, sizeof small, small), 0);
    EXPECT_STREQ(small, "TREE1");
}

TEST_F(EmulatedClientTest, SplitsUncPathsWithEitherSeparatorInAnyCase)
{
    char server[256], volume[256], directory[256];
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->SplitPathByClient("\\\\srv1\\vol1\\Data\\A\\", server, conn, volume, directory), 0);
    EXPECT_STREQ(server, "SRV1");
    EXPECT_STREQ(volume, "VOL1");
    EXPECT_STREQ(directory, "Data\\A");
    NWCONN_HANDLE again = 0;
    ASSERT_EQ(client->SplitPathByClient("//SRV1/VOL1", server, again, volume, directory), 0);
    EXPECT_EQ(again, conn);
    EXPECT_STREQ(directory, "");
    char tree[255];
    EXPECT_EQ(client->ConnInfo(conn, NWCC_INFO_SERVER_NAME, sizeof tree, tree), 0);
    EXPECT_STREQ(tree, "SRV1");
}

TEST_F(EmulatedClientTest, SplitFailuresLeaveEveryOutputUntouched)
{
    for (const char* path : {"/home/admin/data", "C:\\DATA", "\\\\NOSUCH\\SYS\\DIR", "\\\\SRV1\\NOVOL\\DIR",
                             "\\\\SRV1", ""}) {
        char server[256] = "s", volume[256] = "v", directory[256] = "d";
        NWCONN_HANDLE conn = 4711;
        EXPECT_NE(client->SplitPathByClient(path, server, conn, volume, directory), 0) << path;
        EXPECT_STREQ(server, "s");
        EXPECT_STREQ(volume, "v");
        EXPECT_STREQ(directory, "d");
        EXPECT_EQ(conn, 4711u);
    }
    char s[256], v[256], d[256];
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client->SplitPathByClient("\\\\NOSUCH\\SYS", s, conn, v, d), ERR_NO_CONNECTION_TO_SERVER);
    EXPECT_EQ(client->SplitPathByClient("\\\\SRV1\\NOVOL", s, conn, v, d), ERR_VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(client->SplitPathByClient("/srv1/vol1", s, conn, v, d), ERR_INVALID_PATH);
}

TEST_F(EmulatedClientTest, SplittingAPathToAnUnconnectedServerAttachesToIt)
{
    char s[256], v[256], d[256];
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->SplitPathByClient("\\\\LONELY\\SYS", s, conn, v, d), ERR_VOLUME_DOES_NOT_EXIST);
    client->ImportFixture("volume LONELY SYS");
    ASSERT_EQ(client->SplitPathByClient("\\\\LONELY\\SYS\\X", s, conn, v, d), 0);
    char name[255];
    ASSERT_EQ(client->ConnInfo(conn, NWCC_INFO_SERVER_NAME, sizeof name, name), 0);
    EXPECT_STREQ(name, "LONELY");
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    int count = 0;
    while (client->NextConnRef(iterator, ref) == 0)
        ++count;
    EXPECT_EQ(count, 4);
}

TEST_F(EmulatedClientTest, DirectoryInfoKnowsOnlyLiveDirectories)
{
    NWCONN_HANDLE conn = Open("SRV1");
    nuint8 sequence[9];
    std::memset(sequence, 0xFF, sizeof sequence);
    char name[256];
    nuint32 a, c, o;
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "VOL1:DATA\\A", sequence, name, a, c, o, 0), 0);
    EXPECT_STREQ(name, "A");
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "vol1:data/a/", sequence, name, a, c, o, 0), 0);
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "VOL1:", sequence, name, a, c, o, 0), 0);
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "VOL1:\\DATA\\A", sequence, name, a, c, o, 0), 0);  // as a walk from the root forms it
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "\\\\SRV1\\VOL1\\DATA", sequence, name, a, c, o, 0), 0);
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "VOL1:DATA\\live.txt", sequence, name, a, c, o, 0), ERR_INVALID_PATH);
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "VOL1:DATA\\NOPE", sequence, name, a, c, o, 0), ERR_INVALID_PATH);
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "NOVOL:DATA", sequence, name, a, c, o, 0), ERR_VOLUME_DOES_NOT_EXIST);
    // Another server's volume is not reachable through this connection.
    EXPECT_EQ(client->DirectoryInfo(conn, 0, "APPS:", sequence, name, a, c, o, 0), ERR_VOLUME_DOES_NOT_EXIST);
}

TEST_F(EmulatedClientTest, SearchesSeparateDirectoriesFromFilesAndMatchWildcards)
{
    NWCONN_HANDLE conn = Open("SRV1");
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_DIRECTORIES, "*"), (std::vector<std::string>{"A", "B", "notes"}));
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_FILES, "*"), (std::vector<std::string>{"live.txt", "other.doc"}));
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_FILES, "*.TXT"), (std::vector<std::string>{"live.txt"}));
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_DIRECTORIES, "?"), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_DIRECTORIES, "N*S"), (std::vector<std::string>{"notes"}));
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_DIRECTORIES, ""), (std::vector<std::string>{"A", "B", "notes"}));
    EXPECT_EQ(Search(conn, "VOL1:", SA_DIRECTORIES, "*"), (std::vector<std::string>{"DATA"}));
    EXPECT_EQ(Search(conn, "VOL1:DATA\\A\\A1", SA_DIRECTORIES, "*"), std::vector<std::string>{});
    EXPECT_EQ(Search(conn, "VOL1:DATA\\GONE", SA_DIRECTORIES, "*"), std::vector<std::string>{"<start failed>"});
}

TEST_F(EmulatedClientTest, SearchesResumeFromTheSequenceNumberGiven)
{
    NWCONN_HANDLE conn = Open("SRV1");
    nuint8 volume = 0;
    nuint16 dirId = 0, sequence = 0xFFFF;
    NWSEARCH_ENTRY entry{};
    ASSERT_EQ(client->DirSearchStart(conn, 0, "VOL1:DATA", volume, dirId, sequence, entry, 0), 0);
    EXPECT_EQ(volume, 1);
    ASSERT_EQ(client->DirSearchNext(conn, volume, dirId, 0xFFFF, SA_DIRECTORIES, "*", entry, 0), 0);
    nuint16 afterA = entry.nextSequence;
    ASSERT_EQ(client->DirSearchNext(conn, volume, dirId, afterA, SA_DIRECTORIES, "*", entry, 0), 0);
    EXPECT_STREQ(entry.name, "B");
    ASSERT_EQ(client->DirSearchNext(conn, volume, dirId, afterA, SA_DIRECTORIES, "*", entry, 0), 0);
    EXPECT_STREQ(entry.name, "B");
    EXPECT_EQ(client->DirSearchNext(conn, volume, static_cast<nuint16>(dirId + 1), afterA, SA_DIRECTORIES, "*",
                                    entry, 0),
              ERR_INVALID_PATH);
}

TEST_F(EmulatedClientTest, VolumeNamesByNumber)
{
    char name[256];
    NWCONN_HANDLE conn = Open("SRV1");
    ASSERT_EQ(client->NWGetVolumeName(conn, 0, name), 0);
    EXPECT_STREQ(name, "SYS");
    ASSERT_EQ(client->NWGetVolumeName(conn, 1, name), 0);
    EXPECT_STREQ(name, "VOL1");
    EXPECT_EQ(client->NWGetVolumeName(conn, 2, name), ERR_VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(client->NWGetVolumeName(Open("SRV2"), 3, name), 0);
    EXPECT_STREQ(name, "APPS");
}

TEST_F(EmulatedClientTest, ObjectNamesByIdWithUnknownEmptyAndFaultedUsers)
{
    NWDSContextHandle context = 0;
    ASSERT_EQ(client->ContextCreate(context), 0);
    NWCONN_HANDLE conn = Open("SRV1");
    char name[256] = "untouched";
    ASSERT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1001, name), 0);
    EXPECT_STREQ(name, "ADMIN");
    ASSERT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1002, name), 0);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x9999, name), ERR_NO_SUCH_OBJECT);
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1003, name), 0x89FB);
    // A context pointed at another tree does not see this server's users; the
    // padded form of the right tree does.
    ASSERT_EQ(client->ContextSet(context, DCK_TREE_NAME, "TREE2"), 0);
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1001, name), ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(client->ContextSet(context, DCK_TREE_NAME, "tree1___"), 0);
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1001, name), 0);
    EXPECT_EQ(client->ObjectIdToNameByClient(context + 100, conn, 0x1001, name), ERR_BAD_CONTEXT);
}

// Servers, directories, users and faults are answered from memory once read:
// whatever changes them afterwards must show at once, and an import that fails
// must leave nothing behind, there or in the database.
TEST_F(EmulatedClientTest, ChangesAfterTheFirstAnswersShowAndAFailedImportLeavesNothing)
{
    NWDSContextHandle context = 0;
    ASSERT_EQ(client->ContextCreate(context), 0);
    NWCONN_HANDLE conn = Open("SRV1");
    char name[256];
    ASSERT_EQ(client->ObjectIdToNameByClient(context, conn, 0x2001, name), ERR_NO_SUCH_OBJECT);
    ASSERT_EQ(Search(conn, "VOL1:DATA", SA_DIRECTORIES, "*"), (std::vector<std::string>{"A", "B", "notes"}));

    ASSERT_EQ(Search(conn, "VOL1:DATA", SA_FILES, "*"), (std::vector<std::string>{"live.txt", "other.doc"}));

    client->ImportFixture("user 0x2001 LATE\ndir \\\\SRV1\\VOL1\\DATA\\C\nfault name 0x1001 code=0x89FC\n"
                          "server NEW tree=TREE1\nvolume NEW SYS\nconnection NEW\n"
                          "file \\\\SRV1\\VOL1\\DATA\\late.txt\n");
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_FILES, "*"),
              (std::vector<std::string>{"live.txt", "other.doc", "late.txt"}));
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x2001, name), 0);
    EXPECT_STREQ(name, "LATE");
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1001, name), 0x89FC);
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_DIRECTORIES, "*"), (std::vector<std::string>{"A", "B", "notes", "C"}));
    EXPECT_EQ(Search(conn, "vol1:data\\c", SA_DIRECTORIES, "*"), std::vector<std::string>{});
    NWCONN_REF ref = 0;
    nuint32 iterator = 3;
    EXPECT_EQ(client->NextConnRef(iterator, ref), 0);
    NWCONN_HANDLE fresh = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(ref, 1, 0, fresh), 0);
    char text[64];
    ASSERT_EQ(client->ConnInfo(fresh, NWCC_INFO_SERVER_NAME, sizeof text, text), 0);
    EXPECT_STREQ(text, "NEW");

    // Written straight into the database, not through the client.
    client->Database().Exec("DELETE FROM users WHERE id = 8194");  // 0x2002 has no user yet: nothing changes
    client->Database().Exec("DELETE FROM users WHERE id = 8193");
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x2001, name), ERR_NO_SUCH_OBJECT);

    // The second dir line reads what the first one wrote before the failure.
    EXPECT_THROW(client->ImportFixture("user 0x3001 ROLLED\ndir \\\\SRV1\\VOL1\\DATA\\D\n"
                                       "dir \\\\SRV1\\VOL1\\DATA\\D\nbogus line\n"),
                 std::runtime_error);
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x3001, name), ERR_NO_SUCH_OBJECT);
    EXPECT_EQ(Search(conn, "VOL1:DATA", SA_DIRECTORIES, "*"), (std::vector<std::string>{"A", "B", "notes", "C"}));
    EXPECT_EQ(Search(conn, "VOL1:DATA\\D", SA_DIRECTORIES, "*"), std::vector<std::string>{"<start failed>"});
}

TEST_F(EmulatedClientTest, ErrorTextLibraryPresentWithoutStrerrorOrAbsent)
{
    auto library = client->LoadErrorTextLibrary();
    ASSERT_TRUE(library);
    EXPECT_TRUE(library->HasStrerror());
    EXPECT_EQ(library->NWstrerror(ERR_NO_MORE_DIR_HANDLES), "No more directory handles");
    EXPECT_EQ(library->NWstrerror(0x000A), "Unknown error");

    client->SetErrorTextLibraryMode(ErrorTextLibraryMode::NoStrerror);
    library = client->LoadErrorTextLibrary();
    ASSERT_TRUE(library);
    EXPECT_FALSE(library->HasStrerror());

    client->SetErrorTextLibraryMode(ErrorTextLibraryMode::Absent);
    EXPECT_FALSE(client->LoadErrorTextLibrary());
}

TEST_F(EmulatedClientTest, ClientStartupCodeCanBeSet)
{
    EXPECT_EQ(client->ClientStartup(0, 0), 0);
    client->SetClientStartupCode(ERR_CLIENT_NOT_STARTED);
    EXPECT_EQ(client->ClientStartup(0, 0), ERR_CLIENT_NOT_STARTED);
}

}  // namespace
