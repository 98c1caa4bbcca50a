// SPDX-License-Identifier: GPL-3.0-or-later
// The settings panel: the grid of the three limits (typed, stepped and set by
// the program), the job flags, the purge button's caption and the summary.
#include "MainFormFixture.h"

#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>

namespace {

// Replaces the whole text of a spin edit, as typing over a selection does,
// and ends the editing with Enter.
void TypeText(QSpinBox* spin, const QString& text)
{
    spin->findChild<QLineEdit*>()->setText(text);
    QTest::keyClick(spin, Qt::Key_Return);
}

// Moves the input focus from the widget to the next control, as the Tab key does.
void LoseFocus(QWidget* widget, QWidget* next)
{
    QApplication::setActiveWindow(widget->window());
    widget->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(widget->hasFocus());
    next->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(next->hasFocus());
}

}  // namespace

class MainFormSettingsPanelTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        f = &Start();
    }
    TMainForm* f = nullptr;
};

TEST_F(MainFormSettingsPanelTest, TypedValuesSnapDownOntoTheGrid)
{
    struct Case {
        const char* typed;
        int value;
        int step;
    };
    for (const Case& c : {Case{"150", 150, 50}, Case{"175", 150, 50}, Case{"14", 10, 5}, Case{"7", 7, 1},
                          Case{"99", 95, 5}, Case{"100", 100, 50}, Case{"999", 950, 50}}) {
        TypeText(f->FileOlderThan, c.typed);
        EXPECT_EQ(f->FileOlderThan->value(), c.value) << c.typed;
        EXPECT_EQ(f->FileOlderThan->text(), QString::number(c.value)) << c.typed;
        EXPECT_EQ(f->FileOlderThan->singleStep(), c.step) << c.typed;
    }
    TypeText(f->FileSizeLowerLimit, "1234");
    EXPECT_EQ(f->FileSizeLowerLimit->value(), 1000);
    EXPECT_EQ(f->FileSizeLowerLimit->singleStep(), 500);
    TypeText(f->FileSizeLowerLimit, "123456789");
    EXPECT_EQ(f->FileSizeLowerLimit->value(), 100000000);
    f->FileSizeUpperLimit->setValue(1000000000);
    EXPECT_EQ(f->FileSizeUpperLimit->value(), 1000000000);
    EXPECT_EQ(f->FileSizeUpperLimit->singleStep(), 500000000);
}

TEST_F(MainFormSettingsPanelTest, TextsOutsideTheRangeOrNotNumbers)
{
    TypeText(f->FileOlderThan, "0");
    EXPECT_EQ(f->FileOlderThan->value(), 1);
    EXPECT_EQ(f->FileOlderThan->text(), "1");

    TypeText(f->FileOlderThan, "5000");
    EXPECT_EQ(f->FileOlderThan->value(), 1000);
    EXPECT_EQ(f->FileOlderThan->singleStep(), 500);
    // Beyond what an int holds: still the maximum, not a wrapped value.
    TypeText(f->FileSizeLowerLimit, "3000000000");
    EXPECT_EQ(f->FileSizeLowerLimit->value(), 1000000000);

    // A text that is not a number reads as the minimum.
    f->FileSizeUpperLimit->setValue(250);
    TypeText(f->FileSizeUpperLimit, "");
    EXPECT_EQ(f->FileSizeUpperLimit->value(), 1);
    EXPECT_EQ(f->FileSizeUpperLimit->singleStep(), 1);
}

TEST_F(MainFormSettingsPanelTest, ButtonsFollowTheGrowingStep)
{
    f->FileOlderThan->setValue(95);
    EXPECT_EQ(f->FileOlderThan->singleStep(), 5);
    f->FileOlderThan->stepUp();
    EXPECT_EQ(f->FileOlderThan->value(), 100);
    EXPECT_EQ(f->FileOlderThan->singleStep(), 50);
    f->FileOlderThan->stepUp();
    EXPECT_EQ(f->FileOlderThan->value(), 150);

    f->FileOlderThan->setValue(100);
    f->FileOlderThan->stepDown();
    EXPECT_EQ(f->FileOlderThan->value(), 50);
    EXPECT_EQ(f->FileOlderThan->singleStep(), 5);
}

TEST_F(MainFormSettingsPanelTest, DesignStepsLastUntilTheFirstChange)
{
    EXPECT_EQ(f->FileSizeUpperLimit->singleStep(), 10);
    f->FileSizeUpperLimit->stepUp();
    EXPECT_EQ(f->FileSizeUpperLimit->value(), 20);
    EXPECT_EQ(f->FileSizeUpperLimit->singleStep(), 5);
    f->FileSizeUpperLimit->stepUp();
    EXPECT_EQ(f->FileSizeUpperLimit->value(), 25);

    EXPECT_EQ(f->FileSizeLowerLimit->singleStep(), 100);
    f->FileSizeLowerLimit->stepUp();
    EXPECT_EQ(f->FileSizeLowerLimit->value(), 1000);
    EXPECT_EQ(f->FileSizeLowerLimit->singleStep(), 500);
    f->FileSizeLowerLimit->stepUp();
    EXPECT_EQ(f->FileSizeLowerLimit->value(), 1500);
}

TEST_F(MainFormSettingsPanelTest, ListenersAfterTheSnapEndWithTheSnappedValue)
{
    int last = -1;
    QObject::connect(f->FileOlderThan, &QSpinBox::valueChanged, [&](int v) { last = v; });
    TypeText(f->FileOlderThan, "175");
    EXPECT_EQ(f->FileOlderThan->value(), 150);
    // Whatever order the nested change reaches later listeners in, the last
    // word is the value on the grid.
    EXPECT_EQ(last, 150);
    f->CheckBoxAge->setChecked(true);
    EXPECT_EQ(f->MemoFilter->toPlainText(), "List Files ...\n * deleted more than 150 days ago");
}

TEST_F(MainFormSettingsPanelTest, FlagsCaptionAndSummaryFollowTheMode)
{
    // List mode: patterns never apply, even with the box ticked.
    f->CheckBoxSizeLowerLimit->setChecked(true);
    EXPECT_FALSE(Job.UsePatterns);
    EXPECT_FALSE(Job.ConfirmEach);
    EXPECT_TRUE(Job.UseLargerThan);
    EXPECT_EQ(f->BitBtnPurgeSelected->text(), "&List Deleted Files");
    EXPECT_EQ(f->MemoFilter->toPlainText(), "List Files ...\n * larger than 1000 kb");
    f->CheckBoxSizeLowerLimit->setChecked(false);

    f->RadioGroupOptions->setItemIndex(1);
    f->CheckBoxSizeUpperLimit->setChecked(true);
    EXPECT_TRUE(f->CheckBoxFilePatterns->isEnabled());
    EXPECT_TRUE(f->MemoExtList->isEnabled());
    EXPECT_TRUE(Job.ConfirmEach);
    EXPECT_TRUE(Job.UsePatterns);
    EXPECT_TRUE(Job.UseSmallerThan);
    EXPECT_FALSE(Job.UseLargerThan);
    EXPECT_EQ(f->BitBtnPurgeSelected->text(), "&List Deleted Files and Purge with &confirmation");
    EXPECT_EQ(f->MemoFilter->toPlainText(),
              "Purge Files ...\n * matching the specified patterns\n OR   * smaller than 10 kb");

    f->RadioGroupLogic->setItemIndex(1);
    f->FileOlderThan->setValue(30);
    f->CheckBoxAge->setChecked(true);
    EXPECT_EQ(f->MemoFilter->toPlainText(), "Purge Files ...\n * matching the specified patterns\n"
                                            " AND  * smaller than 10 kb\n AND  * deleted more than 30 days ago");

    f->RadioGroupOptions->setItemIndex(2);
    EXPECT_FALSE(Job.ConfirmEach);
    EXPECT_TRUE(Job.UsePatterns);
    EXPECT_EQ(f->BitBtnPurgeSelected->text(), "&List Deleted Files and &Purge without confirmation");

    // Back to listing: greyed, and the pattern line goes.
    f->RadioGroupOptions->setItemIndex(0);
    EXPECT_FALSE(f->CheckBoxFilePatterns->isEnabled());
    EXPECT_FALSE(f->MemoExtList->isEnabled());
    EXPECT_TRUE(f->CheckBoxFilePatterns->isChecked());
    EXPECT_FALSE(Job.UsePatterns);
    EXPECT_EQ(f->MemoFilter->toPlainText(),
              "List Files ...\n * smaller than 10 kb\n AND  * deleted more than 30 days ago");

    // No option chosen: no first line, and only the limits count.
    f->RadioGroupOptions->setItemIndex(-1);
    EXPECT_EQ(f->MemoFilter->toPlainText(), " * smaller than 10 kb\n AND  * deleted more than 30 days ago");
    EXPECT_EQ(f->BitBtnPurgeSelected->text(), "&List Deleted Files");
}

TEST_F(MainFormSettingsPanelTest, EmptiedPatternMemoUnticksTheBoxWhenLeft)
{
    f->RadioGroupOptions->setItemIndex(2);
    ASSERT_TRUE(Job.UsePatterns);
    f->MemoExtList->clear();
    // The flags follow an edit of the patterns only when the memo is left.
    EXPECT_TRUE(f->CheckBoxFilePatterns->isChecked());
    LoseFocus(f->MemoExtList, f->CheckBoxAge);
    EXPECT_FALSE(f->CheckBoxFilePatterns->isChecked());
    EXPECT_FALSE(Job.UsePatterns);

    // New lines do not tick it again.
    f->MemoExtList->setPlainText("*.old");
    LoseFocus(f->MemoExtList, f->CheckBoxAge);
    EXPECT_FALSE(f->CheckBoxFilePatterns->isChecked());
}

TEST_F(MainFormSettingsPanelTest, SwitchingOrAndAndChangesOnlyTheConnectives)
{
    f->CheckBoxSizeUpperLimit->setChecked(true);
    f->CheckBoxSizeLowerLimit->setChecked(true);
    const QString orText = f->MemoFilter->toPlainText();
    EXPECT_TRUE(f->ConditionOR());
    f->RadioGroupLogic->setItemIndex(1);
    EXPECT_FALSE(f->ConditionOR());
    EXPECT_EQ(f->MemoFilter->toPlainText(), QString(orText).replace(" OR  ", " AND "));
}

// Real keys and clicks: while the user types, the field holds exactly what was
// typed and the limit keeps its value; Tab, Enter, an arrow key or button end
// the editing and only then bring the number into range and onto the grid.
TEST_F(MainFormSettingsPanelTest, TypedLimitsAreCorrectedWhenEditingEndsNotWhileTyping)
{
    f->PageControl1->setCurrentWidget(f->TabSheetAction);
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    f->CheckBoxAge->setChecked(true);
    auto clearAndType = [](QSpinBox* spin, const QString& keys) {
        QLineEdit* edit = spin->findChild<QLineEdit*>();
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(spin, Qt::Key_End);
        for (int i = 0; i < 12 && !edit->text().isEmpty(); ++i)
            QTest::keyClick(spin, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), "") << "an emptied field stays empty";
        QTest::keyClicks(spin, keys);
        EXPECT_EQ(edit->text(), keys) << "corrected while typing";
    };
    struct Case {
        QSpinBox* spin;
        const char* typed;
        Qt::Key end;
        int value;
    };
    for (const Case& c : {Case{f->FileSizeUpperLimit, "50", Qt::Key_Tab, 50},
                          Case{f->FileOlderThan, "20", Qt::Key_Tab, 20}, Case{f->FileOlderThan, "7", Qt::Key_Return, 7},
                          Case{f->FileSizeUpperLimit, "37", Qt::Key_Tab, 35},
                          Case{f->FileOlderThan, "0", Qt::Key_Tab, 1},
                          Case{f->FileOlderThan, "5000", Qt::Key_Return, 1000},
                          Case{f->FileSizeLowerLimit, "", Qt::Key_Tab, 1}}) {
        SCOPED_TRACE(std::string(c.typed) + " in " + c.spin->objectName().toStdString());
        const int before = c.spin->value();
        clearAndType(c.spin, c.typed);
        EXPECT_EQ(c.spin->value(), before) << "taken before editing ended";
        QTest::keyClick(c.spin, c.end);
        EXPECT_EQ(c.spin->value(), c.value);
        EXPECT_EQ(c.spin->text(), QString::number(c.value));
    }
    EXPECT_TRUE(f->MemoFilter->toPlainText().endsWith("deleted more than 1000 days ago"));

    // Typing over the selected value, ended by the focus leaving for a click elsewhere.
    QLineEdit* age = f->FileOlderThan->findChild<QLineEdit*>();
    QTest::mouseClick(age, Qt::LeftButton);
    QTest::keyClick(f->FileOlderThan, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f->FileOlderThan, "175");
    EXPECT_EQ(age->text(), "175");
    QTest::mouseClick(f->ListBoxResults->viewport(), Qt::LeftButton);
    EXPECT_EQ(f->FileOlderThan->value(), 150);
    EXPECT_EQ(f->FileOlderThan->singleStep(), 50);

    // An arrow key ends the editing, then steps from the corrected value with
    // its own step: 37 is 35, step 5, so Up gives 40.
    clearAndType(f->FileOlderThan, "37");
    QTest::keyClick(f->FileOlderThan, Qt::Key_Up);
    EXPECT_EQ(f->FileOlderThan->value(), 40);
    // The same with the arrow button: 150 (step 50) and one click up.
    clearAndType(f->FileOlderThan, "150");
    QStyleOptionSpinBox option;
    option.initFrom(f->FileOlderThan);
    option.subControls = QStyle::SC_SpinBoxUp;
    const QRect up =
        f->FileOlderThan->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, f->FileOlderThan);
    QTest::mouseClick(f->FileOlderThan, Qt::LeftButton, {}, up.center());
    EXPECT_EQ(f->FileOlderThan->value(), 200);
    EXPECT_EQ(f->FileOlderThan->singleStep(), 50);
    QTest::keyClick(f->FileOlderThan, Qt::Key_Down);
    EXPECT_EQ(f->FileOlderThan->value(), 150);
}

// A number still being typed when the window closes is saved as the field
// takes it at the end of editing.
TEST_F(MainFormSettingsPanelTest, NumberStillBeingTypedIsSavedOnClose)
{
    f->PageControl1->setCurrentWidget(f->TabSheetAction);
    QTest::mouseClick(f->FileSizeUpperLimit->findChild<QLineEdit*>(), Qt::LeftButton);
    QTest::keyClick(f->FileSizeUpperLimit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f->FileSizeUpperLimit, "37");
    f->close();
    EXPECT_EQ(Ini().ReadInteger("Config", "FileSizeUpperLimit", 0), 35);
}

// With nothing ticked a purge mode's summary tells "nothing" (Or) from
// "everything" (And); a listing purges nothing and shows its first line alone.
TEST_F(MainFormSettingsPanelTest, SummaryWithoutConditionsSaysNothingOrEverything)
{
    f->CheckBoxFilePatterns->setChecked(false);
    for (int logic : {0, 1}) {
        f->RadioGroupLogic->setItemIndex(logic);
        EXPECT_EQ(f->MemoFilter->toPlainText(), "List Files ...") << "logic " << logic;
    }
    f->RadioGroupLogic->setItemIndex(0);
    f->RadioGroupOptions->setItemIndex(2);
    f->CheckBoxFilePatterns->setChecked(false);
    EXPECT_EQ(f->MemoFilter->toPlainText(), "Purge Files ...\n * no file: no condition is ticked");
    f->RadioGroupLogic->setItemIndex(1);
    EXPECT_EQ(f->MemoFilter->toPlainText(), "Purge Files ...\n * every deleted file below the start paths");
    f->CheckBoxAge->setChecked(true);
    EXPECT_EQ(f->MemoFilter->toPlainText(), "Purge Files ...\n * deleted more than 14 days ago");
}
