// SPDX-License-Identifier: GPL-3.0-or-later
// The client= switch: which back end the program talks to.
#include "app/ClientChoice.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "netware/UnavailableClient.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/smb/SmbClient.h"
#include "netware/trash/TrashClient.h"
#include "netware/windows/WindowsBinClient.h"
#include "util/ProgramArguments.h"

namespace {

ClientChoice ChooseWith(const std::vector<std::string>& arguments)
{
    std::vector<std::string> commandLine{"/usr/bin/morvane"};
    commandLine.insert(commandLine.end(), arguments.begin(), arguments.end());
    SetProgramArguments(commandLine);
    ClientChoice choice = CreateClientBackend();
    SetProgramArguments({"/usr/bin/morvane"});
    return choice;
}

TEST(ClientChoiceTest, SwitchPicksTheBackEndAndRefusesAnUnknownOne)
{
    QTemporaryDir dir;
    qputenv("NWEMU_NETWORK", (dir.path() + "/network.db").toLocal8Bit());

    for (const char* form : {"client=trash", "C=Trash", "/cl=TRASH"}) {
        SCOPED_TRACE(form);
        ClientChoice choice = ChooseWith({form});
        EXPECT_NE(dynamic_cast<TrashClient*>(choice.backend.get()), nullptr);
        EXPECT_TRUE(choice.error.empty());
    }
    EXPECT_NE(dynamic_cast<EmulatedClient*>(ChooseWith({}).backend.get()), nullptr) << "the default";
    EXPECT_NE(dynamic_cast<EmulatedClient*>(ChooseWith({"client=emulated", "client=trash"}).backend.get()), nullptr)
        << "the first client= counts";

    for (const char* form : {"client=windows", "c=W", "client=Win"}) {
        SCOPED_TRACE(form);
        EXPECT_NE(dynamic_cast<WindowsBinClient*>(ChooseWith({form}).backend.get()), nullptr);
    }
    EXPECT_TRUE(ChooseWith({"client=windowsx"}).unknownClient) << "longer than the name";

    ClientChoice unknown = ChooseWith({"client=trsh"});
    EXPECT_EQ(unknown.backend, nullptr);
    EXPECT_TRUE(unknown.unknownClient);
    EXPECT_EQ(unknown.error, "Unknown client \"trsh\": use client=emulated, client=trash, client=smb or client=windows");
    qunsetenv("NWEMU_NETWORK");
}

TEST(ClientChoiceTest, SmbClientReadsItsServersFileAndOneItCannotUseStartsNoClient)
{
    QTemporaryDir dir;
    const std::string servers = (dir.path() + "/servers.ini").toStdString();
    QFile file(QString::fromStdString(servers));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[FS1]\nPort=445\n");
    file.close();
    ClientChoice smb = ChooseWith({"c=smb", "servers=" + servers});
    ASSERT_NE(dynamic_cast<SmbClient*>(smb.backend.get()), nullptr);
    char name[256] = {};
    NWCONN_REF primary = 0;
    EXPECT_EQ(smb.backend->PrimaryConnRef(primary), 0);
    EXPECT_EQ(smb.backend->ConnRefInfo(primary, NWCC_INFO_SERVER_NAME, 255, name), 0);
    EXPECT_STREQ(name, "FS1");

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[FS1]\nPort=none\n");
    file.close();
    ClientChoice broken = ChooseWith({"c=smb", "ser=" + servers});
    ASSERT_NE(dynamic_cast<UnavailableClient*>(broken.backend.get()), nullptr);
    EXPECT_EQ(broken.backend->ClientStartup(0, 0), ERR_CLIENT_NOT_STARTED);
    EXPECT_EQ(broken.backend->LoadErrorTextLibrary()->NWstrerror(ERR_CLIENT_NOT_STARTED),
              servers + ", line 2: Port must be a number from 1 to 65535");
}

// Without a server to connect to, the start-up message says where servers
// are set up, and the folder tree shows that instead of this machine's folders.
TEST(ClientChoiceTest, SmbWithoutServersSaysWhereToSetThemUp)
{
    QTemporaryDir dir;
    const std::string servers = (dir.path() + "/servers.ini").toStdString();
    ClientChoice smb = ChooseWith({"c=smb", "servers=" + servers});
    ASSERT_NE(dynamic_cast<UnavailableClient*>(smb.backend.get()), nullptr);
    EXPECT_EQ(smb.backend->ClientStartup(0, 0), ERR_CLIENT_NOT_STARTED);
    EXPECT_EQ(smb.backend->LoadErrorTextLibrary()->NWstrerror(ERR_CLIENT_NOT_STARTED), NoSmbServerText(servers));
    EXPECT_NE(NoSmbServerText(servers).find(servers + " (see \"The servers file\" in the README"), std::string::npos);

    SetProgramArguments({"/usr/bin/morvane", "c=smb", "servers=" + servers});
    EXPECT_NE(FolderTreeNoteWithoutClient().find(servers), std::string::npos);
    SetProgramArguments({"/usr/bin/morvane"});
    EXPECT_EQ(FolderTreeNoteWithoutClient(), "") << "the emulated network keeps the local folders";
}

}  // namespace
