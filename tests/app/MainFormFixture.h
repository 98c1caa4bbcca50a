// SPDX-License-Identifier: GPL-3.0-or-later
// Shared fixture of the main-window tests: an emulated network in memory, a
// settings file in a temporary folder named by the ini switch, a recorder for
// the message boxes, and a fresh job state for every test.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "app/JobState.h"
#include "app/main.h"
#include "netware/D_NW.h"
#include "netware/emulated/EmulatedClient.h"
#include "settings/IniFile.h"
#include "util/MessageBox.h"
#include "util/MessagePump.h"
#include "util/ProgramArguments.h"

class MainFormFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        iniPath = dir.filePath("m.ini").toStdString();
        client = EmulatedClient::OpenInMemory();
        client->ImportFixture(
            "server SRV1 tree=CORP\n"
            "server SRV2 tree=CORP\n"
            "volume SRV1 VOL1\n"
            "volume SRV2 SYS\n"
            "dir \\\\SRV1\\VOL1\\DATA\n"
            "connection SRV1 primary\n"
            "connection SRV2\n");
        previousBackend = SetClientBackend(client.get());
        previousPump = SetMessagePump({});
        ResetPrimaryConnectionForTesting();
        Job = JobState{};
        SetArguments({});
    }

    void TearDown() override
    {
        form.reset();
        Job = JobState{};
        SetMessagePump(previousPump);
        SetClientBackend(previousBackend);
        ResetPrimaryConnectionForTesting();
    }

    // The program's arguments: its path in the temporary folder, the ini switch,
    // then the extra ones.
    void SetArguments(const std::vector<std::string>& extra)
    {
        std::vector<std::string> arguments{dir.filePath("morvane").toStdString(), "ini=" + iniPath};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        SetProgramArguments(arguments);
    }

    void WriteIni(const std::string& text)
    {
        QFile file(QString::fromStdString(iniPath));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    bool IniExists() const { return QFile::exists(QString::fromStdString(iniPath)); }
    IniFile Ini() const { return IniFile(iniPath); }

    // Creates the window (FormCreate) and shows it (FormShow before it appears).
    TMainForm& Start()
    {
        form = std::make_unique<TMainForm>();
        form->show();
        QCoreApplication::processEvents();
        return *form;
    }

    QTemporaryDir dir;
    std::string iniPath;
    std::unique_ptr<EmulatedClient> client;
    NWClientBackend* previousBackend = nullptr;
    MessagePump previousPump;
    MessageBoxRecorder boxes;
    std::unique_ptr<TMainForm> form;
};
