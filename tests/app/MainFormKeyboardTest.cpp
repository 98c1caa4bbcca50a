// SPDX-License-Identifier: GPL-3.0-or-later
// The Purge tab by keyboard alone: Tab follows the screen and passes the
// summary by, and no Alt shortcut starts a job.
#include "tests/app/fixtures/JobFormFixture.h"

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace {

class MainFormKeyboardTest : public JobFormTest {
protected:
    void OpenOnThePurgeTab()
    {
        OpenForm();
        AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
        form->PageControl1->setCurrentWidget(form->TabSheetAction);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
};

TEST_F(MainFormKeyboardTest, TabRunsDownTheSettingsThenOptionsButtonAndResults)
{
    OpenOnThePurgeTab();
    TMainForm& f = *form;
    f.RadioGroupLogic->button(0)->setFocus(Qt::TabFocusReason);
    // Tab enters a radio group at its chosen button only.
    const std::vector<QWidget*> expected{f.CheckBoxSizeUpperLimit, f.FileSizeUpperLimit, f.CheckBoxSizeLowerLimit,
                                         f.FileSizeLowerLimit, f.CheckBoxAge, f.FileOlderThan,
                                         f.CheckBoxKeepNewest, f.KeepNewestSize, f.CheckBoxUntilFree,
                                         f.UntilFreeSize, f.CheckBoxFilePatterns, f.MemoExtList, f.RadioGroupOptions->button(0),
                                         f.BitBtnPurgeSelected, f.ListBoxResults};
    ChooseMode(0);
    f.CheckBoxFilePatterns->setEnabled(true);  // greyed out in the list mode; here it takes part
    f.MemoExtList->setEnabled(true);
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // A spin edit's focus sits in its line edit.
        EXPECT_TRUE(focus == next || focus->parentWidget() == next)
            << "expected " << next->objectName().toStdString() << ", got " << focus->metaObject()->className() << " "
            << focus->objectName().toStdString();
    }
    // Nothing on the way typed a tab character into a text box.
    EXPECT_FALSE(f.MemoExtList->toPlainText().contains('\t'));
    EXPECT_FALSE(f.MemoFilter->toPlainText().contains('\t'));
    EXPECT_FALSE(f.MemoFilter->hasFocus());
}

// The focus in the mode group rests on the chosen button, so that a Space
// never chooses another mode unseen.
TEST_F(MainFormKeyboardTest, TabAndArrowsInTheModeGroupLandOnTheChosenButton)
{
    OpenOnThePurgeTab();
    TMainForm& f = *form;
    RadioGroup& modes = *f.RadioGroupOptions;
    ChooseMode(1);
    f.BitBtnPurgeSelected->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.BitBtnPurgeSelected, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), modes.button(1));

    // An ambiguous Alt shortcut can leave the focus on another button; an
    // arrow key brings it to the chosen one, not to its neighbour.
    ChooseMode(0);
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down}) {
        modes.button(2)->setFocus(Qt::ShortcutFocusReason);
        QTest::keyClick(modes.button(2), key);
        EXPECT_EQ(QApplication::focusWidget(), modes.button(0)) << key;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_EQ(modes.itemIndex(), 0) << key;
    }

    // From the chosen button an arrow chooses the next one, and the focus goes along.
    QTest::keyClick(modes.button(0), Qt::Key_Down);
    EXPECT_EQ(modes.itemIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), modes.button(1));
    QTest::mouseClick(modes.button(0), Qt::LeftButton);
    EXPECT_EQ(modes.itemIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), modes.button(0));
}

TEST_F(MainFormKeyboardTest, AltShortcutsPressedRepeatedlyNeverStartAJob)
{
    OpenOnThePurgeTab();
    ChooseMode(2);
    for (Qt::Key key : {Qt::Key_L, Qt::Key_P, Qt::Key_O, Qt::Key_C}) {
        for (int press = 0; press < 4; ++press) {
            QTest::keyClick(form.get(), key, Qt::AltModifier);
            form->PageControl1->setCurrentWidget(form->TabSheetAction);
        }
    }
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:HOME").size(), 2u);
}

// Alt shortcuts that several controls share can leave the focus on a mode
// that is not chosen; Tab then still leaves the group, from any of its buttons.
TEST_F(MainFormKeyboardTest, TabLeavesTheModeGroupAfterSharedAltShortcuts)
{
    OpenForm();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    RadioGroup& modes = *form->RadioGroupOptions;
    for (Qt::Key key : {Qt::Key_P, Qt::Key_P, Qt::Key_O})
        QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
    ASSERT_EQ(form->PageControl1->currentWidget(), form->TabSheetAction);
    for (int button = 0; button < modes.count(); ++button) {
        modes.button(button)->setFocus(Qt::ShortcutFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), form->BitBtnPurgeSelected) << button;
    }
    EXPECT_EQ(modes.itemIndex(), 0) << "no Space chose another mode";
}

// The folder tree and the start-path list show the focus by their frame,
// whether or not an item is current.
TEST_F(MainFormKeyboardTest, ListsAndTreesShowTheFocus)
{
    OpenForm();
    form->PageControl1->setCurrentWidget(form->TabSheetSelect);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget* views[] = {form->ShellTreeView1->treeWidget(), form->CheckListBoxQ->focusProxy()};
    for (QWidget* view : views) {
        SCOPED_TRACE(view->metaObject()->className());
        form->ServerList->setFocus(Qt::TabFocusReason);
        const QPoint frame(0, view->height() / 2);
        const QColor without = view->grab().toImage().pixelColor(frame);
        view->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(view->hasFocus());
        EXPECT_NE(view->grab().toImage().pixelColor(frame), without);
    }
}

}  // namespace
