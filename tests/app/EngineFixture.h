// SPDX-License-Identifier: GPL-3.0-or-later
// Shared fixture of the engine tests: an emulated network in memory, a fixed
// clock, a message box recorder, and the few controls the engine reads and
// writes (no main window), wired into a job state of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStatusBar>

#include <memory>
#include <string>
#include <vector>

#include "app/JobState.h"
#include "netware/D_NW.h"
#include "netware/emulated/EmulatedClient.h"
#include "util/DateTime.h"
#include "util/MessageBox.h"
#include "util/MessagePump.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"

class EngineFixture : public ::testing::Test {
protected:
    // Today is 2000-01-15; files deleted 1999-12-31 are 14 or 15 days old.
    static TDateTime FixedNow() { return EncodeDateTime(2000, 1, 15, 12, 0, 0, 0); }

    void SetUp() override
    {
        client = EmulatedClient::OpenInMemory();
        previousBackend = SetClientBackend(client.get());
        previousClock = SetClock(FixedNow);
        previousPump = SetMessagePump({});

        logic.setItems({"Or", "And"});
        logic.setItemIndex(0);
        options.setItems({"&List Matching Deleted Files", "Purge with &confirmation", "&Purge without confirmation"});
        options.setItemIndex(0);
        for (QSpinBox* spin : {&largerThan, &smallerThan, &age})
            spin->setRange(1, 1000000000);
        largerThan.setValue(1000);
        smallerThan.setValue(10);
        age.setValue(14);

        StartJob(job, {&results, &status, &patterns, &largerThan, &smallerThan, &age, &logic, &options, &label});
    }

    void TearDown() override
    {
        SetMessagePump(previousPump);
        SetClock(previousClock);
        SetClientBackend(previousBackend);
    }

    // Imports the fixture and opens the connection to SRV1, which every
    // fixture of these tests defines.
    void Network(const std::string& fixture)
    {
        client->ImportFixture(fixture);
        std::string server, volume, directory;
        ASSERT_EQ(0, SplitNetWarePath("\\\\SRV1\\VOL1", job.ConnHandle, server, volume, directory));
    }

    // The names of the deleted files still salvageable in a directory, as the
    // network holds them.
    std::vector<std::string> Salvageable(const std::string& volumePath)
    {
        std::vector<std::string> names;
        NWDIR_HANDLE handle = 0;
        if (NWAllocTemporaryDirectoryHandle(job.ConnHandle, 0, volumePath.c_str(), handle, nullptr) != 0)
            return names;
        nuint32 iter = 0xFFFFFFFF;
        nuint8 volumeNumber = 0;
        nuint32 base = 0;
        NWDELETED_INFO record{};
        while (NextDeletedFile(job.ConnHandle, handle, iter, volumeNumber, base, record) == 0)
            names.emplace_back(record.name);
        ReleaseDirHandle(job.ConnHandle, handle);
        return names;
    }

    std::unique_ptr<EmulatedClient> client;
    NWClientBackend* previousBackend = nullptr;
    Clock previousClock;
    MessagePump previousPump;
    MessageBoxRecorder boxes;

    RadioGroup logic;
    RadioGroup options;
    QSpinBox largerThan;
    QSpinBox smallerThan;
    QSpinBox age;
    QPlainTextEdit patterns;
    QLabel label{"Results ... "};
    QStatusBar status;
    ResultList results;
    JobState job;
};
