// SPDX-License-Identifier: GPL-3.0-or-later
// The text fixture format: every line kind reaches the client as written, bad
// lines are reported by number and add nothing; the packed date-time keeps
// invalid parts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"

namespace {

std::string ImportError(EmulatedClient& client, const std::string& text)
{
    try {
        client.ImportFixture(text);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

long long Rows(EmulatedClient& client, const char* table)
{
    Statement s(client.Database().Handle(), (std::string("SELECT COUNT(*) FROM ") + table).c_str());
    s.Step();
    return s.Int(0);
}

TEST(EmulatedPackedDateTime, RoundTripsValidAndInvalidParts)
{
    struct Parts {
        int year, month, day, hour, minute, second;
    };
    for (Parts p : {Parts{1999, 12, 31, 23, 59, 7}, Parts{1999, 0, 31, 23, 59, 7}, Parts{2001, 2, 31, 10, 0, 0},
                    Parts{2001, 1, 1, 25, 61, 63}, Parts{1980, 1, 1, 0, 0, 0}, Parts{2043, 15, 0, 31, 63, 1}}) {
        NW_DATE date;
        NW_TIME time;
        UnpackDeletedDateTime(PackDeletedDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second), date, time);
        EXPECT_EQ(date.year, p.year);
        EXPECT_EQ(date.month, p.month);
        EXPECT_EQ(date.day, p.day);
        EXPECT_EQ(time.hours, p.hour);
        EXPECT_EQ(time.minutes, p.minute);
        EXPECT_EQ(time.seconds, p.second);
    }
    // Fields do not bleed into each other: each part alone changes one field.
    EXPECT_EQ(PackDeletedDateTime(1980, 0, 0, 0, 0, 1), 1u);
    EXPECT_EQ(PackDeletedDateTime(1981, 0, 0, 0, 0, 0), 1u << 26);
}

// The fixture shipped beside the tests uses every line kind; check that each
// arrives where the client reads it.
TEST(EmulatedFixture, EveryLineKindReachesTheClient)
{
    std::ifstream in(std::filesystem::path(__FILE__).parent_path() / "fixtures" / "every-kind.fixture");
    ASSERT_TRUE(in) << "fixture file missing";
    std::stringstream text;
    text << in.rdbuf();
    auto client = EmulatedClient::OpenInMemory();
    ASSERT_NO_THROW(client->ImportFixture(text.str()));

    EXPECT_EQ(Rows(*client, "trees"), 3);  // TREE1 and LEGACY, and SPARE declared alone
    char buffer[256];
    nuint32 iterator = 0;
    NWCONN_REF ref = 0, primary = 0;
    std::vector<std::string> connected;
    while (client->NextConnRef(iterator, ref) == 0) {
        ASSERT_EQ(client->ConnRefInfo(ref, NWCC_INFO_SERVER_NAME, 255, buffer), 0);
        connected.push_back(buffer);
    }
    EXPECT_EQ(connected, (std::vector<std::string>{"SRV1", "OLD"}));
    ASSERT_EQ(client->PrimaryConnRef(primary), 0);
    ASSERT_EQ(client->ConnRefInfo(primary, NWCC_INFO_SERVER_NAME, 255, buffer), 0);
    EXPECT_STREQ(buffer, "OLD");

    char s[256], v[256], d[256];
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->SplitPathByClient("\\\\SRV2\\APPS", s, conn, v, d), 0);
    ASSERT_EQ(client->NWGetVolumeName(conn, 7, buffer), 0);
    EXPECT_STREQ(buffer, "APPS");
    ASSERT_EQ(client->ConnInfo(conn, NWCC_INFO_TREE_NAME, 255, buffer), 0);
    EXPECT_EQ(std::string(buffer).substr(0, 6), "TREE1_");  // as the tree was declared

    ASSERT_EQ(client->SplitPathByClient("\\\\SRV1\\VOL1", s, conn, v, d), 0);
    nuint8 volume;
    nuint16 dirId, sequence = 0xFFFF;
    NWSEARCH_ENTRY entry;
    ASSERT_EQ(client->DirSearchStart(conn, 0, "VOL1:DATA", volume, dirId, sequence, entry, 0), 0);
    ASSERT_EQ(client->DirSearchNext(conn, volume, dirId, sequence, SA_FILES, "*", entry, 0), 0);
    EXPECT_STREQ(entry.name, "live.txt");
    ASSERT_EQ(client->DirSearchNext(conn, volume, dirId, 0xFFFF, SA_DIRECTORIES, "*", entry, 0), 0);
    EXPECT_STREQ(entry.name, "SUB");

    NWDIR_HANDLE handle = 0;
    ASSERT_EQ(client->NWAllocTemporaryDirectoryHandle(conn, 0, "VOL1:DATA", handle, nullptr), 0);
    nuint32 it = 0xFFFFFFFF, base;
    NWDELETED_INFO info;
    std::vector<std::string> lines;
    while (client->NextDeletedFile(conn, handle, it, volume, base, info) == 0) {
        NW_DATE date;
        NW_TIME time;
        client->UnpackDateTime(info.deletedDateAndTime, date, time);
        char line[sizeof info.name + 144];
        std::snprintf(line, sizeof line, "%s %u %04d-%02d-%02d %02d:%02d:%02d %X", info.name, info.fileSize, date.year,
                      date.month, date.day, time.hours, time.minutes, time.seconds, info.deletorID);
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "REPORT.BAK 12288 1999-12-31 23:59:07 1001",
                         "BROKEN.TMP 0 1999-00-31 23:59:07 1002",
                         "MY FILE.TXT 4294967295 2024-02-29 12:00:00 1003",
                         "RAW.DAT 5 1980-00-00 00:00:01 0",
                     }));

    NWDSContextHandle context;
    ASSERT_EQ(client->ContextCreate(context), 0);
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1002, buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1003, buffer), ERR_NO_SUCH_OBJECT);
    EXPECT_EQ(client->ObjectIdToNameByClient(context, conn, 0x1001, buffer), ERR_NO_SUCH_OBJECT);  // name fault
    EXPECT_EQ(client->NWAllocTemporaryDirectoryHandle(conn, 0, "VOL1:DATA\\SUB", handle, nullptr),
              ERR_NO_MORE_DIR_HANDLES);
    EXPECT_EQ(Rows(*client, "faults"), 4);
}

TEST(EmulatedFixture, CommentsBlankLinesQuotesAndCarriageReturnsAreHandled)
{
    auto client = EmulatedClient::OpenInMemory();
    ASSERT_NO_THROW(client->ImportFixture("# a comment\r\n\r\n   # indented comment\r\nserver \"SRV 1\"\r\n"
                                          "volume \"SRV 1\" SYS\r\nuser 7 \"JOHN DOE\"\r\n"));
    char s[256], v[256], d[256];
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->SplitPathByClient("\\\\SRV 1\\SYS", s, conn, v, d), 0);
    EXPECT_STREQ(s, "SRV 1");
    NWDSContextHandle context;
    client->ContextCreate(context);
    char name[256];
    ASSERT_EQ(client->ObjectIdToNameByClient(context, conn, 7, name), 0);
    EXPECT_STREQ(name, "JOHN DOE");
}

TEST(EmulatedFixture, BadLinesAreReportedByNumberAndAddNothing)
{
    const std::string head = "server SRV1\nvolume SRV1 VOL1\n";
    struct Case {
        std::string line;
        std::string error;
    };
    for (const Case& c : std::vector<Case>{
             {"frobnicate X", "line 3: unknown line kind: frobnicate"},
             {"server SRV1", "line 3: server already defined: SRV1"},
             {"volume SRV9 VOL1", "line 3: unknown server: SRV9"},
             {"volume SRV1 vol1", "line 3: volume already defined: vol1"},
             {"volume SRV1 VOL2 number=256", "line 3: number out of range: 256"},
             {"dir \\\\SRV1\\NOVOL\\X", "line 3: unknown volume: SRV1\\NOVOL"},
             {"dir /local/path", "line 3: not a \\\\SERVER\\VOLUME path: /local/path"},
             {"file \\\\SRV1\\VOL1\\A size=abc", "line 3: bad size: abc"},
             {"deleted \\\\SRV1\\VOL1\\A size=1", "line 3: deleted needs deleted=\"YYYY-MM-DD HH:MM:SS\" or packed=N"},
             {"deleted \\\\SRV1\\VOL1\\A deleted=\"1999-12-31\"", "line 3: bad date-time (want \"YYYY-MM-DD HH:MM:SS\"): 1999-12-31"},
             {"deleted \\\\SRV1\\VOL1\\A deleted=\"1979-12-31 00:00:00\"", "line 3: date-time part out of range: 1979-12-31 00:00:00"},
             {"deleted \\\\SRV1\\VOL1\\A deleted=\"1999-16-01 00:00:00\"", "line 3: date-time part out of range: 1999-16-01 00:00:00"},
             {"deleted \\\\SRV1\\VOL1\\A size=4294967296 packed=1", "line 3: size out of range: 4294967296"},
             {"deleted \\\\SRV1\\VOL1\\A packed=1 colour=red", "line 3: deleted: unknown option: colour"},
             {"deleted \\\\SRV1\\VOL1\\A packed=1 deleted=\"2000-01-01 00:00:00\"", "line 3: give deleted= or packed=, not both"},
             {"user 0x10", "line 3: user: missing arguments"},
             {"user 0x10 A B", "line 3: user: unexpected word: B"},
             {"connection SRV1 secondary", "line 3: unknown word: secondary"},
             {"fault alloc \\\\SRV1\\VOL1\\NODIR code=0x899C", "line 3: unknown directory: \\\\SRV1\\VOL1\\NODIR"},
             {"fault explode \\\\SRV1\\VOL1 code=1", "line 3: unknown fault operation (alloc, purge, scan, name): explode"},
             {"fault name 0x10 code=0", "line 3: fault code must not be 0"},
             {"fault name 0x10 code=0x10000", "line 3: code out of range: 0x10000"},
             {"server \"UNTERMINATED", "line 3: unterminated quote"},
             {"size=1", "line 3: line kind missing (the line holds only options)"},
             {"d=", "line 3: line kind missing (the line holds only options)"},
             {"file \\\\SRV1\\VOL1\\A size=+12", "line 3: bad size: +12"},
             {"file \\\\SRV1\\VOL1\\A size=-0", "line 3: bad size: -0"},
             {"file \\\\SRV1\\VOL1\\A size=\" 12\"", "line 3: bad size:  12"},
             {"file \\\\SRV1\\VOL1\\A size=0x", "line 3: bad size: 0x"},
             {"file \\\\SRV1\\VOL1\\A size=0x1g", "line 3: bad size: 0x1g"},
             {"file \\\\SRV1\\VOL1\\A size=99999999999999999999999", "line 3: size out of range: 99999999999999999999999"},
         }) {
        auto client = EmulatedClient::OpenInMemory();
        EXPECT_EQ(ImportError(*client, head + c.line + "\n"), c.error) << c.line;
        EXPECT_EQ(Rows(*client, "servers"), 0) << c.line;  // the good lines before it are not kept either
    }
}

// A leading zero is no octal prefix: 010 is ten and 08 is eight.
TEST(EmulatedFixture, NumbersAreDecimalOrHexadecimal)
{
    auto client = EmulatedClient::OpenInMemory();
    ASSERT_NO_THROW(client->ImportFixture("server SRV1\nvolume SRV1 VOL1 number=010\n"
                                          "file \\\\SRV1\\VOL1\\A size=08\nfile \\\\SRV1\\VOL1\\B size=0X1f\n"));
    Statement volume(client->Database().Handle(), "SELECT number FROM volumes");
    ASSERT_TRUE(volume.Step());
    EXPECT_EQ(volume.Int(0), 10);
    Statement sizes(client->Database().Handle(), "SELECT size FROM files ORDER BY name");
    ASSERT_TRUE(sizes.Step());
    EXPECT_EQ(sizes.Int(0), 8);
    ASSERT_TRUE(sizes.Step());
    EXPECT_EQ(sizes.Int(0), 31);
}

}  // namespace
