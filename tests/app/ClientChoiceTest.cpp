// SPDX-License-Identifier: GPL-3.0-or-later
// The client= switch: which back end the program talks to.
#include "app/ClientChoice.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "netware/emulated/EmulatedClient.h"
#include "netware/trash/TrashClient.h"
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

    ClientChoice unknown = ChooseWith({"client=trsh"});
    EXPECT_EQ(unknown.backend, nullptr);
    EXPECT_TRUE(unknown.unknownClient);
    EXPECT_EQ(unknown.error, "Unknown client \"trsh\": use client=emulated or client=trash");
    qunsetenv("NWEMU_NETWORK");
}

}  // namespace
