// SPDX-License-Identifier: GPL-3.0-or-later
// What the SMB tests share: one smbd for the whole suite (started by the first
// test that needs it, ended at the suite's end), and a temporary folder per
// test for the servers file, credentials, settings and log.
#pragma once

#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "SambaServer.h"

class SmbServerTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override
    {
        const std::string why = SambaServer::Unavailable();
        if (!why.empty())
            GTEST_SKIP() << why;
        if (!server_)
            server_ = std::make_unique<SambaServer>();
        ASSERT_TRUE(server_->Running()) << server_->StartError();
        server_->ClearShares();
        ASSERT_TRUE(dir_.isValid());
        base_ = dir_.path().toStdString();
    }

    // A credentials file for the user, readable by its owner only.
    std::string Credentials(const std::string& user, const std::string& password, unsigned mode = 0600) const
    {
        const auto path = base_ / ("credentials-" + user);
        WriteFile(path, "username=" + user + "\npassword=" + password + "\n", mode);
        return path.string();
    }

    // A servers file naming the test server FS1 with the given extra lines;
    // the per-user share's repository is named unless sayRepository is false.
    std::string ServersFile(const std::string& credentials, const std::string& extra = {}, int port = 0,
                            bool sayRepository = true) const
    {
        const auto path = base_ / "servers.ini";
        WriteFile(path,
                  "[FS1]\nHost=127.0.0.1\nPort=" + std::to_string(port ? port : server_->Port()) +
                      "\nTimeout=5\nCredentials=" + credentials + "\n" + extra + "\n" +
                      (sayRepository ? "[FS1\\USERS]\nRepository=.recycle/%U\n" : ""),
                  0644);
        return path.string();
    }

    static inline std::unique_ptr<SambaServer> server_;
    QTemporaryDir dir_;
    std::filesystem::path base_;
};

// A suite that reads files' owners. libsmbclient asks for them over a second
// connection to port 445, so the suite's server runs there, in a network of
// the test's own where that port is free.
template <class Base>
class WithOwners : public Base {
protected:
    static void SetUpTestSuite()
    {
        if (SambaServer::Unavailable().empty() && EnterPrivateNetwork())
            Base::server_ = std::make_unique<SambaServer>(445);
    }

    void SetUp() override
    {
        if (SambaServer::Unavailable().empty() && !Base::server_)
            GTEST_SKIP() << "no network of the test's own for a server on port 445";
        Base::SetUp();
    }
};
