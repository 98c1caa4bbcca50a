// The program's message boxes: built from a request, answered by the button
// clicked, and answered with the safe button when there is no screen.
#include "util/QtMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

MessageBoxRequest Confirmation()
{
    return {MsgDlgType::Confirmation, "Confirm", "Purge REPORT.BAK?", {"&Yes", "&No", "&All", "N&one", "&Abort"}, 4};
}

// Clicks the button with the given caption, or presses Escape, on the next
// modal box that appears.
void WhenTheBoxShows(std::function<void(QMessageBox*)> action)
{
    QTimer::singleShot(0, [action] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        action(box);
    });
}

QAbstractButton* ButtonWithText(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

TEST(QtMessageBox, BoxHasTheKindsIconTitleTextAndButtonsInOrder)
{
    std::unique_ptr<QMessageBox> box(CreateQtMessageBox(Confirmation()));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->windowTitle(), "Confirm");
    EXPECT_EQ(box->text(), "Purge REPORT.BAK?");
    EXPECT_EQ(box->buttons().size(), 5);
    EXPECT_EQ(box->defaultButton()->text(), "&Abort");
    for (const char* caption : {"&Yes", "&No", "&All", "N&one", "&Abort"})
        EXPECT_NE(ButtonWithText(box.get(), caption), nullptr) << caption;

    const std::pair<MsgDlgType, QMessageBox::Icon> icons[] = {{MsgDlgType::Warning, QMessageBox::Warning},
                                                              {MsgDlgType::Error, QMessageBox::Critical},
                                                              {MsgDlgType::Information, QMessageBox::Information},
                                                              {MsgDlgType::Custom, QMessageBox::NoIcon}};
    for (auto [kind, icon] : icons) {
        std::unique_ptr<QMessageBox> b(CreateQtMessageBox({kind, "t", "x", {"OK"}, 0}));
        EXPECT_EQ(b->icon(), icon);
    }
}

TEST(QtMessageBox, AnswerIsTheIndexOfTheButtonClicked)
{
    WhenTheBoxShows([](QMessageBox* box) { ButtonWithText(box, "&All")->click(); });
    EXPECT_EQ(RunQtMessageBox(Confirmation()), 2);
    WhenTheBoxShows([](QMessageBox* box) { ButtonWithText(box, "&Yes")->click(); });
    EXPECT_EQ(RunQtMessageBox(Confirmation()), 0);
}

TEST(QtMessageBox, EscapeWithSeveralButtonsAnswersNoButton)
{
    WhenTheBoxShows([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(RunQtMessageBox(Confirmation()), -1);
}

TEST(QtMessageBox, OffscreenWritesTheBoxAndAnswersTheSafeButton)
{
    ASSERT_TRUE(MessageBoxesHeadless());
    MessageBoxHandler previous = SetMessageBoxHandler(nullptr);
    InstallQtMessageBoxHandler();
    testing::internal::CaptureStderr();
    int answer = ShowMessageBox(Confirmation());
    std::string written = testing::internal::GetCapturedStderr();
    SetMessageBoxHandler(previous);
    EXPECT_EQ(answer, 4);
    EXPECT_NE(written.find("Confirm"), std::string::npos);
    EXPECT_NE(written.find("Purge REPORT.BAK?"), std::string::npos);
}
