// SPDX-License-Identifier: GPL-3.0-or-later
// The servers file, the cifs mounts, the credentials file and shown names:
// what is read, and what is refused with which words.
#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <unistd.h>

#include "../common/AsNobody.h"
#include "SambaServer.h"
#include "netware/smb/SmbCredentials.h"
#include "netware/smb/SmbServers.h"

namespace {

TEST(SmbServersFileTest, ReadsServersSharesAndDefaults)
{
    const auto servers = ParseServersFile("; comment\n[FS1]\nHost = 10.0.0.5\nPort=1445\nRepository=.recycle/%U\n"
                                          "DeletionTime=write\nCredentials=/etc/morvane/fs1\nTimeout=2\n"
                                          "[FS1\\data$]\nRepository=#recycle\n\n[nas]\n",
                                          "servers.ini");
    ASSERT_EQ(servers.size(), 2u);
    EXPECT_EQ(servers[0].host, "10.0.0.5");
    EXPECT_EQ(servers[0].port, 1445);
    EXPECT_EQ(servers[0].timeoutSeconds, 2);
    EXPECT_EQ(servers[0].credentialsFile, "/etc/morvane/fs1");
    EXPECT_EQ(servers[0].ShareSettings("DATA").repository, ".recycle/%U");
    // A share's section starts from the server's settings and changes its own.
    EXPECT_EQ(servers[0].ShareSettings("Data$").repository, "#recycle");
    EXPECT_TRUE(servers[0].ShareSettings("Data$").deletionTimeIsWriteTime);
    EXPECT_EQ(servers[1].host, "nas");
    EXPECT_EQ(servers[1].port, 445);
    EXPECT_EQ(servers[1].timeoutSeconds, 5);
    EXPECT_EQ(servers[1].repository.repository, "");
    EXPECT_FALSE(servers[1].repository.deletionTimeIsWriteTime);
}

TEST(SmbServersFileTest, RefusesWhatItCannotUseNamingFileAndLine)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"[FS1]\nPort=0\n", "servers.ini, line 2: Port must be a number from 1 to 65535"},
        {"[FS1]\nTimeout=soon\n", "line 2: Timeout must be a number"},
        {"[FS1]\nDeletionTime=change\n", "line 2: DeletionTime must be access or write"},
        {"[FS1]\nRepository=../etc\n", "line 2: Repository must be a folder below the share's root"},
        {"Host=x\n", "line 1: a key before the first [server] section"},
        {"[FS1]\nPassword=x\n", "line 2: unknown key Password"},
        {"[FS1\n", "line 1: a section name must end with ]"},
        {"[FS1]\nHost=admin:Secret@127.0.0.1\n", "line 2: Host must be a host name or address only"},
        {"[FS1]\nHost=admin%Secret@fs1\n", "line 2: Host must be a host name or address only"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ParseServersFile(c.text, "servers.ini");
            ADD_FAILURE() << "accepted";
        } catch (const SmbServersFileError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).find("Secret"), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(ReadServersFile("/nonexistent/servers.ini").empty());
}

TEST(SmbServersFileTest, MountedCifsSharesAddTheirServersOnce)
{
    std::vector<SmbServerSettings> servers = ParseServersFile("[fs1]\nPort=1445\n", "s");
    AddMountedServers("/dev/sda1 / ext4 rw 0 0\n"
                      "//FS1/data /mnt/data cifs rw,port=445 0 0\n"
                      "//nas\\040box/public /mnt/p\\040q cifs rw,vers=3.0,port=4450 0 0\n"
                      "//nas\\040box/other /mnt/o cifs rw 0 0\n"
                      "server:/export /mnt/nfs nfs4 rw 0 0\n",
                      servers);
    ASSERT_EQ(servers.size(), 2u);
    EXPECT_EQ(servers[0].port, 1445);  // the servers file's settings win
    EXPECT_EQ(servers[1].name, "nas box");
    EXPECT_EQ(servers[1].port, 4450);
}

class CredentialsFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text, unsigned mode)
    {
        const std::string path = dir.path().toStdString() + "/credentials";
        WriteFile(path, text, mode);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(CredentialsFileTest, ReadsTheSmbclientFormat)
{
    SmbCredentials credentials;
    std::string error;
    ASSERT_TRUE(ReadCredentialsFile(Write("username = alice\npassword= two words \ndomain=WG\n", 0600),
                                    credentials, error))
        << error;
    EXPECT_EQ(credentials.user, "alice");
    EXPECT_EQ(credentials.password.View(), " two words ");
    EXPECT_EQ(credentials.domain, "WG");
    ASSERT_TRUE(ReadCredentialsFile(Write("user=OFFICE/bob%pw\n", 0400), credentials, error)) << error;
    EXPECT_EQ(credentials.user, "bob");
    EXPECT_EQ(credentials.password.View(), "pw");
    EXPECT_EQ(credentials.domain, "OFFICE");
}

TEST_F(CredentialsFileTest, RefusesFilesOthersMayReadOrThatBelongToSomeoneElseWithoutShowingThem)
{
    SmbCredentials credentials;
    std::string error;
    EXPECT_FALSE(ReadCredentialsFile(Write("username=alice\npassword=hunter2\n", 0640), credentials, error));
    EXPECT_NE(error.find("others may read"), std::string::npos) << error;
    EXPECT_EQ(error.find("hunter2"), std::string::npos) << error;
    EXPECT_FALSE(ReadCredentialsFile(Write("password=hunter2\n", 0600), credentials, error));
    EXPECT_NE(error.find("names no user"), std::string::npos) << error;
    EXPECT_FALSE(credentials.given);

    // Root's file, read by another user.
    if (geteuid() != 0)
        return;
    const std::string path = Write("username=alice\npassword=hunter2\n", 0600);
    chmod(dir.path().toLocal8Bit().constData(), 0755);
    EXPECT_EQ(AsNobody({}, [&path] {
                  SmbCredentials c;
                  std::string e;
                  if (ReadCredentialsFile(path, c, e))
                      return std::string("read another user's file");
                  // Refused at the open (the file is root's, mode 600).
                  return e.find("cannot be opened: Permission denied") != std::string::npos ? std::string()
                                                                                              : "wrong reason: " + e;
              }),
              "");
}

TEST_F(CredentialsFileTest, FollowsNoLinkAndNeverEchoesTheFileName)
{
    const std::string target = Write("username=alice\npassword=hunter2\n", 0600);
    const std::string link = dir.path().toStdString() + "/alice%Secret";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const struct {
        std::string name;
        const char* reason;
    } cases[] = {
        {link, "is a symbolic link, which is not followed"},
        {"alice%Secret", "cannot be opened: No such file or directory"},
        {dir.path().toStdString(), "is not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SmbCredentials credentials;
        std::string error;
        EXPECT_FALSE(ReadCredentialsFile(c.name, credentials, error));
        EXPECT_EQ(error, std::string("The credentials file ") + c.reason);
    }
}

}  // namespace
