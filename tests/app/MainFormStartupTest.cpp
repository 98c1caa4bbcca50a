// SPDX-License-Identifier: GPL-3.0-or-later
// The window's life: first start, restore at first show, placement, the
// close-time save, the automatic run, the tab change and a client that does
// not start.
#include "MainFormFixture.h"

#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"
#include "widgets/ShellTreeView.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <sys/stat.h>

namespace {

void ClickTab(TMainForm& form, QWidget* tab)
{
    auto* bar = form.PageControl1->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    const int index = form.PageControl1->indexOf(tab);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

}  // namespace

using MainFormStartupTest = MainFormFixture;

TEST_F(MainFormStartupTest, FirstStartWithoutSettingsFileShowsTheDesignState)
{
    TMainForm& f = Start();

    EXPECT_EQ(f.PageControl1->currentWidget(), f.TabSheetInfo);
    EXPECT_EQ(f.PanelTitle->text(), "Morvane v2.0a (2007-06-01) - Purge Selected Files");
    EXPECT_EQ(f.windowTitle(), "Purge Selected Deleted Files");
    EXPECT_EQ(f.MemoExtList->toPlainText(), "*.tmp\n*.bak");
    EXPECT_EQ(f.RadioGroupLogic->itemIndex(), 0);
    EXPECT_EQ(f.RadioGroupOptions->itemIndex(), 0);
    EXPECT_FALSE(f.CheckBoxSizeUpperLimit->isChecked());
    EXPECT_FALSE(f.CheckBoxSizeLowerLimit->isChecked());
    EXPECT_FALSE(f.CheckBoxAge->isChecked());
    EXPECT_TRUE(f.CheckBoxFilePatterns->isChecked());
    EXPECT_FALSE(f.CheckBoxFilePatterns->isEnabled());
    EXPECT_FALSE(f.MemoExtList->isEnabled());
    EXPECT_EQ(f.LabelDirSelected->text(), "#Start Paths Selected: 0");
    EXPECT_FALSE(f.BitBtnPurgeSelected->isEnabled());
    EXPECT_EQ(f.BitBtnPurgeSelected->text(), "&List Deleted Files");
    EXPECT_EQ(f.MemoFilter->toPlainText(), "List Files ...");
    EXPECT_EQ(f.FileSizeUpperLimit->value(), 10);
    EXPECT_EQ(f.FileSizeLowerLimit->value(), 1000);
    EXPECT_EQ(f.FileOlderThan->value(), 14);

    // The start-up values and the connection list.
    EXPECT_EQ(Job.IniPath, iniPath);
    EXPECT_EQ(Job.LogPath, "");
    EXPECT_FALSE(Job.AutoMode);
    ASSERT_EQ(f.ServerList->count(), 2);
    EXPECT_EQ(f.ServerList->itemText(0), "SRV1");
    EXPECT_EQ(f.ServerList->itemText(1), "SRV2");
    EXPECT_EQ(f.ServerList->itemIndex(), 0);
    EXPECT_NE(Job.NameContext, 0u);
    EXPECT_TRUE(f.MemoReadme->toPlainText().startsWith("Could not find "));
    EXPECT_TRUE(boxes.Texts().empty());
    // Showing the window writes nothing.
    EXPECT_FALSE(IniExists());
}

TEST_F(MainFormStartupTest, RestoredLimitsOffTheGridComeBackSnapped)
{
    WriteIni("[Config]\r\nFileOlderThan=17\r\nFileSizeLowerLimit=1234\r\nFileSizeUpperLimit=10\r\n"
             "CheckBoxAge=1\r\n");
    TMainForm& f = Start();

    EXPECT_EQ(f.FileOlderThan->value(), 15);
    EXPECT_EQ(f.FileOlderThan->singleStep(), 5);
    EXPECT_EQ(f.FileSizeLowerLimit->value(), 1000);
    EXPECT_EQ(f.FileSizeLowerLimit->singleStep(), 500);
    // An unchanged value runs no handler: the design step stays.
    EXPECT_EQ(f.FileSizeUpperLimit->value(), 10);
    EXPECT_EQ(f.FileSizeUpperLimit->singleStep(), 10);
    EXPECT_TRUE(f.CheckBoxAge->isChecked());
    EXPECT_TRUE(Job.UseAge);
    EXPECT_EQ(f.MemoFilter->toPlainText(), "List Files ...\n * deleted more than 15 days ago");
}

TEST_F(MainFormStartupTest, DesignAgeStoredUnchangedComesBackUnchanged)
{
    WriteIni("[Config]\r\nFileOlderThan=14\r\n");
    TMainForm& f = Start();
    EXPECT_EQ(f.FileOlderThan->value(), 14);
}

// A limit box restored before the pattern lines must not untick the pattern
// box for want of patterns: with "And" the job would then ignore the patterns.
TEST_F(MainFormStartupTest, RestoringALimitBeforeThePatternsKeepsThePatternBoxTicked)
{
    WriteIni("[Config]\r\nCheckBoxAge=1\r\nRadioGroupLogic=1\r\n"
             "[Config MemoExtList]\r\n0=*.old\r\n");
    TMainForm& f = Start();
    EXPECT_TRUE(f.CheckBoxAge->isChecked());
    EXPECT_EQ(f.MemoExtList->toPlainText(), "*.old");
    EXPECT_TRUE(f.CheckBoxFilePatterns->isChecked());
}

TEST_F(MainFormStartupTest, RestoresPatternsStartPathsAndLogic)
{
    WriteIni("[Config]\r\nRadioGroupLogic=1\r\nCheckBoxFilePatterns=1\r\n"
             "[Config MemoExtList]\r\n0=*.old\r\n"
             "[CheckListBoxQ]\r\n0=\\\\SRV1\\VOL1\\DATA\r\n1=\\\\SRV2\\SYS\r\n"
             "[CheckListBoxQ Checked]\r\n\\\\SRV1\\VOL1\\DATA=1\r\n");
    TMainForm& f = Start();

    EXPECT_EQ(f.RadioGroupLogic->itemIndex(), 1);
    EXPECT_EQ(f.MemoExtList->toPlainText(), "*.old");
    ASSERT_EQ(f.CheckListBoxQ->count(), 2);
    EXPECT_TRUE(f.CheckListBoxQ->isChecked(0));
    EXPECT_FALSE(f.CheckListBoxQ->isChecked(1));
    EXPECT_EQ(f.LabelDirSelected->text(), "#Start Paths Selected: 2");
    EXPECT_TRUE(f.BitBtnPurgeSelected->isEnabled());
}

TEST_F(MainFormStartupTest, OpensCentredAtDesignSizeWhateverDisplayHolds)
{
    WriteIni("[Display]\r\nMainForm.Top=3\r\nMainForm.Left=4\r\nMainForm.Width=300\r\nMainForm.Height=200\r\n");
    TMainForm& f = Start();

    EXPECT_EQ(f.frameGeometry().size(), QSize(780, 489));
    const QRect screen = f.screen()->availableGeometry();
    EXPECT_LE((f.frameGeometry().center() - screen.center()).manhattanLength(), 1);

    // The design sizes of the panels survive the window's layout.
    f.PageControl1->setCurrentWidget(f.TabSheetSelect);
    f.PageControl1->setCurrentWidget(f.TabSheetAction);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.ServerList->width(), 161);
    EXPECT_EQ(f.PanelPathSelect->height(), 300);
    EXPECT_EQ(f.PanelConfigLeft->width(), 288);
    EXPECT_EQ(f.MemoFilter->size(), QSize(255, 101));
    EXPECT_EQ(f.StatusBar1->height(), 19);
    EXPECT_EQ(f.StatusBar1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(f.PanelTitle->height(), 41);
}

TEST_F(MainFormStartupTest, ClosingWritesDisplayConfigAndStartPaths)
{
    TMainForm& f = Start();
    f.CheckListBoxQ->addItem("\\\\SRV1\\VOL1\\DATA", true);
    f.RadioGroupLogic->setItemIndex(1);
    f.close();

    ASSERT_TRUE(IniExists());
    IniFile ini = Ini();
    // All four describe the outer rectangle, frame included.
    EXPECT_EQ(ini.ReadInteger("Display", "MainForm.Width", 0), 780);
    EXPECT_EQ(ini.ReadInteger("Display", "MainForm.Height", 0), 489);
    EXPECT_EQ(ini.ReadInteger("Display", "MainForm.Left", -1), f.frameGeometry().x());
    EXPECT_EQ(ini.ReadInteger("Display", "MainForm.Top", -1), f.frameGeometry().y());
    EXPECT_EQ(ini.ReadString("Config", "FileOlderThan", ""), "14");
    EXPECT_EQ(ini.ReadString("Config", "FileSizeLowerLimit", ""), "1000");
    EXPECT_EQ(ini.ReadString("Config", "CheckBoxFilePatterns", ""), "1");
    EXPECT_EQ(ini.ReadString("Config", "RadioGroupLogic", ""), "1");
    EXPECT_EQ(ini.ReadSectionValues("Config MemoExtList"), (std::vector<std::string>{"0=*.tmp", "1=*.bak"}));
    EXPECT_EQ(ini.ReadString("CheckListBoxQ", "0", ""), "\\\\SRV1\\VOL1\\DATA");
    EXPECT_EQ(ini.ReadString("CheckListBoxQ Checked", "\\\\SRV1\\VOL1\\DATA", ""), "1");
    // Nothing outside the settings panel is stored.
    EXPECT_FALSE(ini.ValueExists("Config", "RadioGroupOptions"));
    EXPECT_EQ(Job.IniFile, nullptr);
}

TEST_F(MainFormStartupTest, SettingsSurviveARestart)
{
    {
        TMainForm& f = Start();
        f.CheckBoxSizeLowerLimit->setChecked(true);
        f.FileSizeLowerLimit->setValue(5000);
        f.MemoExtList->setPlainText("*.old\n*.~??");
        f.close();
        form.reset();
    }
    Job = JobState{};
    ResetPrimaryConnectionForTesting();
    TMainForm& f = Start();
    EXPECT_TRUE(f.CheckBoxSizeLowerLimit->isChecked());
    EXPECT_EQ(f.FileSizeLowerLimit->value(), 5000);
    EXPECT_EQ(f.MemoExtList->toPlainText(), "*.old\n*.~??");
    // The mode is never stored: every start lists only.
    EXPECT_EQ(f.RadioGroupOptions->itemIndex(), 0);
}

TEST_F(MainFormStartupTest, ClosingWithTheFocusInAnEmptiedMemoSavesThePatternBoxUnticked)
{
    {
        TMainForm& f = Start();
        f.RadioGroupOptions->setItemIndex(1);  // patterns are edited in the purge modes
        f.PageControl1->setCurrentWidget(f.TabSheetAction);
        QApplication::setActiveWindow(&f);
        f.MemoExtList->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(f.MemoExtList->hasFocus());
        QTest::keyClick(f.MemoExtList, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(f.MemoExtList, Qt::Key_Delete);
        ASSERT_TRUE(f.MemoExtList->toPlainText().isEmpty());
        ASSERT_TRUE(f.CheckBoxFilePatterns->isChecked());
        f.close();
        form.reset();
    }
    EXPECT_EQ(Ini().ReadString("Config", "CheckBoxFilePatterns", ""), "0");
    Job = JobState{};
    ResetPrimaryConnectionForTesting();
    TMainForm& f = Start();
    EXPECT_FALSE(f.CheckBoxFilePatterns->isChecked());
}

// A read-only settings file is no error while nothing changed: closing writes
// nothing then. Once something changed, the box names the file and the reason.
TEST_F(MainFormStartupTest, AFailedSaveOnCloseNamesTheFileAndTheReason)
{
    WriteIni("[Config]\r\nFileOlderThan=30\r\n");
    Start().close();  // stores the whole window once
    form.reset();
    const auto bytes = [&] {
        QFile file(QString::fromStdString(iniPath));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray saved = bytes();
    ::chmod(iniPath.c_str(), 0444);  // read-only for root as well
    Job = JobState{};
    ResetPrimaryConnectionForTesting();
    boxes.Clear();
    Start().close();
    form.reset();
    EXPECT_TRUE(boxes.Texts().empty()) << boxes.Texts()[0];
    EXPECT_EQ(bytes(), saved);

    Job = JobState{};
    ResetPrimaryConnectionForTesting();
    TMainForm& f = Start();
    f.FileOlderThan->setValue(60);
    boxes.Clear();
    f.close();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    const std::string text = boxes.Texts()[0];
    EXPECT_NE(text.find("\"" + iniPath + "\""), std::string::npos) << text;
    EXPECT_NE(text.find("read-only"), std::string::npos) << text;
    EXPECT_EQ(Ini().ReadInteger("Config", "FileOlderThan", 0), 30);
}

TEST_F(MainFormStartupTest, AutomaticRunPurgesWithoutAskingWritesTheLogAndNoSettings)
{
    const std::string logPath = dir.filePath("run.log").toStdString();
    WriteIni("[Config]\r\nCheckBoxAge=1\r\n");
    const QByteArray before = [&] {
        QFile file(QString::fromStdString(iniPath));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    SetArguments({"/AUTO", "log=" + logPath});
    TMainForm& f = Start();

    EXPECT_TRUE(Job.AutoMode);
    EXPECT_EQ(Job.LogPath, logPath);
    EXPECT_TRUE(f.Terminated());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.windowState() & Qt::WindowMinimized; }));
    EXPECT_EQ(f.RadioGroupOptions->itemIndex(), 2);
    EXPECT_FALSE(Job.ConfirmEach);
    EXPECT_EQ(f.BitBtnPurgeSelected->text(), "&List Deleted Files and &Purge without confirmation");
    // No start paths: the log says so, and nothing else.
    QFile log(QString::fromStdString(logPath));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().toStdString(),
              "morvane: nothing to search: the settings file \"" + iniPath + "\" holds no start path\r\n");
    EXPECT_TRUE(boxes.Texts().empty());

    // The run ends without the close-time save: the file is as it was.
    form.reset();
    QFile ini(QString::fromStdString(iniPath));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), before);
}

TEST_F(MainFormStartupTest, AutomaticRunWithoutSettingsFileCreatesNone)
{
    SetArguments({"au"});
    TMainForm& f = Start();
    EXPECT_TRUE(f.Terminated());
    form.reset();
    EXPECT_FALSE(IniExists());
}

TEST_F(MainFormStartupTest, AutomaticRunWhoseLogCannotBeWrittenStaysRunning)
{
    SetArguments({"auto", "log=" + dir.filePath("missing/run.log").toStdString()});
    TMainForm& f = Start();

    EXPECT_FALSE(f.Terminated());
    ASSERT_FALSE(boxes.Texts().empty());
    EXPECT_EQ(boxes.Texts().back().rfind("Error: ", 0), 0u) << boxes.Texts().back();
    EXPECT_NE(boxes.Texts().back().find("run.log"), std::string::npos);
    // Minimised once the window is on the screen.
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.windowState() & Qt::WindowMinimized; }));
}

TEST_F(MainFormStartupTest, SwitchingToThePurgeTabWithoutStartPathsSaysSo)
{
    TMainForm& f = Start();
    ClickTab(f, f.TabSheetAction);

    EXPECT_EQ(f.PageControl1->currentWidget(), f.TabSheetAction);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"No paths selected"});
    EXPECT_FALSE(f.BitBtnPurgeSelected->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormStartupTest, SwitchingToThePurgeTabWithStartPathsEnablesThePurge)
{
    TMainForm& f = Start();
    f.CheckListBoxQ->addItem("\\\\SRV1\\VOL1\\DATA");
    ClickTab(f, f.TabSheetSelect);
    ClickTab(f, f.TabSheetAction);

    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(f.BitBtnPurgeSelected->isEnabled());
}

TEST_F(MainFormStartupTest, ARunningJobKeepsThePurgeButtonOffOnTabChange)
{
    TMainForm& f = Start();
    f.CheckListBoxQ->addItem("\\\\SRV1\\VOL1\\DATA");
    f.BitBtnPurgeSelected->setEnabled(false);
    f.JobRunning = true;
    ClickTab(f, f.TabSheetAction);
    EXPECT_FALSE(f.BitBtnPurgeSelected->isEnabled());
    f.JobRunning = false;
}

// A listing job is stopped without a question; the window waits for its end.
TEST_F(MainFormStartupTest, ClosingDuringAJobAbortsItAndTheWindowWaits)
{
    TMainForm& f = Start();
    f.JobRunning = true;
    Job.RunState = RunState::Running;
    f.close();
    EXPECT_EQ(Job.RunState, RunState::Abort);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(IniExists());
    EXPECT_TRUE(boxes.Texts().empty());
    f.JobRunning = false;
    f.close();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(IniExists());
}

TEST_F(MainFormStartupTest, ClientThatDoesNotStartLeavesAnEmptyConnectionList)
{
    client->SetClientStartupCode(0x8801);
    TMainForm& f = Start();

    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(f.ServerList->count(), 0);
    EXPECT_EQ(Job.NameContext, 0u);
    EXPECT_EQ(Job.ConnHandle, NoConnection);
    // The rest of the window works as usual.
    EXPECT_EQ(f.MemoExtList->toPlainText(), "*.tmp\n*.bak");
    EXPECT_EQ(f.MemoFilter->toPlainText(), "List Files ...");
}

namespace {

// The bottom edge of w in the coordinates of ancestor.
int BottomIn(const QWidget* w, const QWidget* ancestor)
{
    return w->mapTo(ancestor, QPoint(0, w->height() - 1)).y();
}

}  // namespace

// A window manager's frame (openbox: a 20-pixel title, a 5-pixel handle)
// leaves the client area of the 780 x 489 window 464 pixels high: every tab's
// panels must still end inside their page, above the status bar. Maximised,
// the connection list keeps its width and the tree and the start-path list
// take the rest.
TEST_F(MainFormStartupTest, PanelsFitAWindowManagersFrameAndShareAMaximisedWindow)
{
    TMainForm& f = Start();
    f.resize(778, 464);
    for (QWidget* tab : {f.TabSheetInfo, f.TabSheetSelect, f.TabSheetAction}) {
        f.PageControl1->setCurrentWidget(tab);
        QCoreApplication::processEvents();
        const QWidget* page = tab;
        const std::vector<const QWidget*> panels{f.MemoReadme, f.ServerList, f.CheckListBoxQ, f.ListBoxResults,
                                                 f.PanelConfigLeft};
        for (const QWidget* panel : panels) {
            if (!tab->isAncestorOf(panel))
                continue;
            EXPECT_LE(BottomIn(panel, page), page->height() - 1) << panel->objectName().toStdString();
        }
        EXPECT_LE(BottomIn(page, &f), f.StatusBar1->y() - 1) << tab->objectName().toStdString();
    }
    // The connection list's buttons stack from the top; the spin edits line up.
    EXPECT_LT(f.ServerList->button(1)->y() - f.ServerList->button(0)->y(), 2 * f.ServerList->button(0)->height());
    EXPECT_EQ(f.FileSizeUpperLimit->width(), f.FileOlderThan->width());
    EXPECT_EQ(f.FileSizeLowerLimit->width(), f.FileOlderThan->width());

    f.showMaximized();
    QTest::qWait(50);
    f.PageControl1->setCurrentWidget(f.TabSheetSelect);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.ServerList->width(), 161);
    EXPECT_GT(f.ShellTreeView1->width(), 600);
    EXPECT_EQ(f.ShellTreeView1->width(), f.CheckListBoxQ->width());
}
