// SPDX-License-Identifier: GPL-3.0-or-later
// The login box: nobody is asked without a handler, and the Qt dialog keeps
// the password out of sight.
#include "util/QtLoginBox.h"

#include <QDialog>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(LoginBoxTest, WithoutAHandlerNobodyIsAskedAndAHandlerAnswers)
{
    const LoginBoxHandler previous = SetLoginBoxHandler({});
    LoginAnswer answer{"alice", "", ""};
    EXPECT_FALSE(AskLogin("FS1", answer));
    SetLoginBoxHandler([](const std::string& server, LoginAnswer& a) {
        a.password = "for " + server;
        return true;
    });
    EXPECT_TRUE(AskLogin("FS1", answer));
    EXPECT_EQ(answer.password, "for FS1");
    SetLoginBoxHandler(previous);
}

TEST(LoginBoxTest, TheDialogHidesThePasswordAndOffersWhatIsKnown)
{
    const std::unique_ptr<QDialog> dialog(CreateQtLoginBox("FS1", {"alice", "never shown", "OFFICE"}));
    EXPECT_EQ(dialog->findChild<QLineEdit*>("EditUser")->text(), "alice");
    EXPECT_EQ(dialog->findChild<QLineEdit*>("EditDomain")->text(), "OFFICE");
    auto* password = dialog->findChild<QLineEdit*>("EditPassword");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_TRUE(dialog->windowTitle().contains("FS1"));
}

}  // namespace
