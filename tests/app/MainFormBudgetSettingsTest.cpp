// SPDX-License-Identifier: GPL-3.0-or-later
// The two budget rows of the settings panel: what settings files with and
// without their keys restore, the flags and summary lines they give, what
// closing the window stores, and the room they take from the pattern memo.
#include "MainFormFixture.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "widgets/RadioGroup.h"

namespace {

class MainFormBudgetSettingsTest : public MainFormFixture {};

TEST_F(MainFormBudgetSettingsTest, AFileWithoutTheKeysLeavesBothUnticked)
{
    WriteIni("[Config]\r\nCheckBoxAge=1\r\nFileOlderThan=30\r\nRadioGroupLogic=1\r\n");
    TMainForm& f = Start();
    EXPECT_FALSE(f.CheckBoxKeepNewest->isChecked());
    EXPECT_FALSE(f.CheckBoxUntilFree->isChecked());
    EXPECT_FALSE(Job.UseKeepNewest);
    EXPECT_FALSE(Job.UseUntilFree);
    EXPECT_EQ(f.MemoFilter->toPlainText(), "List Files ...\n * deleted more than 30 days ago");

    // The window keeps its size; the pattern memo gives the rows their room.
    EXPECT_EQ(f.frameGeometry().size(), QSize(780, 489));
    f.PageControl1->setCurrentWidget(f.TabSheetAction);
    QCoreApplication::processEvents();
    EXPECT_LE(f.PanelCBFree->geometry().bottom(), f.PanelPattern->geometry().top());
    EXPECT_GE(f.MemoExtList->height(), 3 * f.MemoExtList->fontMetrics().lineSpacing());
}

TEST_F(MainFormBudgetSettingsTest, StoredBudgetsComeBackAsFlagsAndSummaryLinesAndAreSavedAgain)
{
    WriteIni("[Config]\r\nCheckBoxKeepNewest=1\r\nKeepNewestSize=50000\r\nCheckBoxUntilFree=1\r\n"
             "UntilFreeSize=20000\r\nRadioGroupLogic=1\r\nCheckBoxFilePatterns=1\r\n"
             "[Config MemoExtList]\r\n0=*.tmp\r\n");
    TMainForm& f = Start();
    EXPECT_TRUE(Job.UseKeepNewest);
    EXPECT_TRUE(Job.UseUntilFree);
    EXPECT_EQ(f.KeepNewestSize->value(), 50000);
    EXPECT_EQ(f.UntilFreeSize->value(), 20000);
    // The list mode applies the budgets too, as it does the size and age limits.
    EXPECT_EQ(f.MemoFilter->toPlainText(),
              "List Files ...\n * beyond the newest 50000 MB\n AND  * oldest, until 20000 MB are free");
    f.RadioGroupOptions->setItemIndex(2);
    EXPECT_EQ(f.MemoFilter->toPlainText(), "Purge Files ...\n * matching the specified patterns\n"
                                           " AND  * beyond the newest 50000 MB\n"
                                           " AND  * oldest, until 20000 MB are free");

    f.CheckBoxUntilFree->setChecked(false);
    f.KeepNewestSize->setValue(1234);  // onto the grid: 1000
    EXPECT_FALSE(Job.UseUntilFree);
    f.close();
    const IniFile ini = Ini();
    EXPECT_TRUE(ini.ReadBool("Config", "CheckBoxKeepNewest", false));
    EXPECT_EQ(ini.ReadInteger("Config", "KeepNewestSize", 0), 1000);
    EXPECT_FALSE(ini.ReadBool("Config", "CheckBoxUntilFree", true));
    EXPECT_EQ(ini.ReadInteger("Config", "UntilFreeSize", 0), 20000);
}

}  // namespace
