// SPDX-License-Identifier: GPL-3.0-or-later
// The program's message boxes: built from a request, answered by the button
// clicked, and answered with the safe button when there is no screen.
#include "util/QtMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>
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

namespace {

// The purge confirmation's buttons: "&Abort" and "Yes to &All" share a letter.
MessageBoxRequest PurgeQuestion(const std::string& fileText)
{
    MessageBoxRequest request{MsgDlgType::Confirmation, "Confirm", "Purging:   " + fileText,
                              {"&Yes", "&No", "&Abort", "N&o to All", "Yes to &All"}, 2};
    request.escapeButton = 1;
    request.steadyPlace = true;
    return request;
}

// Real key events on the next box that appears, once it has the focus.
void PressOnTheBox(std::function<void(QMessageBox*)> keys)
{
    WhenTheBoxShows([keys](QMessageBox* box) {
        box->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        keys(box);
    });
}

} // namespace

TEST(QtMessageBox, SharedMnemonicBelongsToTheFirstCaptionAndEscapeOrCloseAnswerTheEscapeButton)
{
    PressOnTheBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_A, Qt::AltModifier); });
    EXPECT_EQ(RunQtMessageBox(PurgeQuestion("A.TMP")), 2) << "Alt+A is Abort";
    // A second press never reaches Yes to All: the first one already answered.
    PressOnTheBox([](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_A, Qt::AltModifier);
        QTest::keyClick(box, Qt::Key_A, Qt::AltModifier);
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(RunQtMessageBox(PurgeQuestion("A.TMP")), 2);
    PressOnTheBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_O, Qt::AltModifier); });
    EXPECT_EQ(RunQtMessageBox(PurgeQuestion("A.TMP")), 3) << "Alt+O is No to All";

    PressOnTheBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(RunQtMessageBox(PurgeQuestion("A.TMP")), 1);
    WhenTheBoxShows([](QMessageBox* box) { box->close(); });
    EXPECT_EQ(RunQtMessageBox(PurgeQuestion("A.TMP")), 1);
}

TEST(QtMessageBox, SteadyBoxKeepsItsButtonsInPlaceWhateverTheText)
{
    auto buttonPlaces = [](const std::string& fileText) {
        std::unique_ptr<QMessageBox> box(CreateQtMessageBox(PurgeQuestion(fileText)));
        box->show();
        QCoreApplication::processEvents();
        std::vector<QRect> places;
        for (QAbstractButton* button : box->buttons())
            places.push_back(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
        return places;
    };
    const auto shortText = buttonPlaces("A.TMP  (   1) [ Deleted: 2001-01-01 00:00:00 by X ]");
    const auto longText = buttonPlaces("MINUTES OF THE BOARD MEETING HELD ON THE FIRST OF MARCH WITH ALL ANNEXES AND "
                                       "THE DRAFTS.DOC  (1.00 GB) [ Deleted: 2001-01-01 00:00:00 by ADMINISTRATOR ]");
    EXPECT_EQ(shortText, longText);
}

// A one-word text makes a narrow box; the window manager would then cut its
// title to a few letters.
TEST(QtMessageBox, ShortTextLeavesRoomForTheWholeTitle)
{
    std::unique_ptr<QMessageBox> box(CreateQtMessageBox({MsgDlgType::Custom, "", "No paths selected", {}, 0}));
    box->show();
    const int title = box->fontMetrics().horizontalAdvance(box->windowTitle());
    EXPECT_GE(box->width(), title + 160) << "title " << box->windowTitle().toStdString();
    box->hide();
}
