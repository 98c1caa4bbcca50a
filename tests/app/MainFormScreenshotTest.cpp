// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the main window's tabs for the documentation. Disabled in the
// ordinary run; scripts/screenshots runs it under Xvfb with
// MORVANE_SCREENSHOT_DIR set to the folder that receives the PNG files.
#include "MainFormFixture.h"

#include "widgets/ShellTreeView.h"
#include "widgets/RadioGroup.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>

class MainFormScreenshotTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        // The demo network, as a first start of the program shows it.
        SetClientBackend(nullptr);
        client = EmulatedClient::OpenInMemory();
        CreateDemoNetwork(*client);
        SetClientBackend(client.get());
        // Beside the built program, so the Info tab shows the real read-me.
        const std::string program = (QCoreApplication::applicationDirPath() + "/morvane").toStdString();
        SetProgramArguments({program, "ini=" + iniPath});
    }

    void Save(TMainForm& f, QWidget* tab, const QString& name)
    {
        f.PageControl1->setCurrentWidget(tab);
        QTest::qWait(200);
        ASSERT_TRUE(f.grab().save(QDir(outDir).filePath(name)));
    }

    QString outDir = QString::fromLocal8Bit(std::getenv("MORVANE_SCREENSHOT_DIR") ? std::getenv("MORVANE_SCREENSHOT_DIR") : "");
};

TEST_F(MainFormScreenshotTest, DISABLED_WriteOneScreenshotPerTab)
{
    if (outDir.isEmpty())
        GTEST_SKIP() << "MORVANE_SCREENSHOT_DIR is not set";
    WriteIni("[Config]\r\nCheckBoxAge=1\r\nFileOlderThan=350\r\nCheckBoxSizeLowerLimit=1\r\n"
             "FileSizeLowerLimit=50000\r\nCheckBoxFilePatterns=1\r\n"
             "[Config MemoExtList]\r\n0=*.tmp\r\n1=*.bak\r\n2=~*.*\r\n"
             "[CheckListBoxQ]\r\n0=\\\\FS1\\DATA\\HOME\r\n1=\\\\FS1\\DATA\\PROJECTS\\ATLAS\\BUILD\\TMP\r\n"
             "2=\\\\FS2\\USERS\\JSMITH\r\n"
             "[CheckListBoxQ Checked]\r\n\\\\FS1\\DATA\\HOME=1\r\n\\\\FS2\\USERS\\JSMITH=1\r\n");
    TMainForm& f = Start();
    QTest::qWait(300);
    f.ShellTreeView1->selectPath("\\\\FS1\\DATA\\HOME");
    f.RadioGroupOptions->setItemIndex(1);

    Save(f, f.TabSheetInfo, "tab-info.png");
    Save(f, f.TabSheetSelect, "tab-select-start-path.png");
    Save(f, f.TabSheetAction, "tab-purge-selected-files.png");
}
