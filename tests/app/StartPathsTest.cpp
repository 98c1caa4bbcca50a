// SPDX-License-Identifier: GPL-3.0-or-later
// The start-path tab: collecting and removing start paths, choosing a server,
// clicking folders, and roots the tree cannot show.
#include "tests/app/fixtures/JobFormFixture.h"

#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

namespace {

class StartPathsTest : public JobFormTest {
protected:
    void DoubleClickFolder(const std::string& path)
    {
        ASSERT_TRUE(form->ShellTreeView1->selectPath(path)) << path;
        form->ShellTreeView1Click(nullptr);
        form->ShellTreeView1DblClick(nullptr);
    }
    std::string Label() const { return StdStr(form->LabelDirSelected->text()); }
    // True when the handle no longer names an open connection.
    static bool Closed(NWCONN_HANDLE conn)
    {
        std::string server;
        return ConnServerName(conn, server) != 0;
    }
};

TEST_F(StartPathsTest, SameFolderTwiceStaysOneEntryAndGetsItsMarkBack)
{
    OpenForm();
    DoubleClickFolder("\\\\SRV1\\VOL1\\DATA");
    EXPECT_EQ(form->CheckListBoxQ->items(), QStringList{"\\\\SRV1\\VOL1\\DATA"});
    EXPECT_TRUE(form->CheckListBoxQ->isChecked(0));
    EXPECT_EQ(Label(), "#Start Paths Selected: 1");
    EXPECT_TRUE(form->BitBtnPurgeSelected->isEnabled());

    DoubleClickFolder("\\\\SRV1\\VOL1\\HOME");
    form->CheckListBoxQ->setChecked(0, false);
    DoubleClickFolder("\\\\SRV1\\VOL1\\DATA");
    EXPECT_EQ(form->CheckListBoxQ->count(), 2);
    EXPECT_EQ(form->CheckListBoxQ->itemIndex(), 0);
    EXPECT_TRUE(form->CheckListBoxQ->isChecked(0));
    EXPECT_EQ(Label(), "#Start Paths Selected: 2");
}

TEST_F(StartPathsTest, PathsDifferingOnlyInCaseAreOneEntry)
{
    OpenForm();
    AddStartPath("\\\\srv1\\vol1\\home", false);
    DoubleClickFolder("\\\\SRV1\\VOL1\\HOME");
    EXPECT_EQ(form->CheckListBoxQ->items(), QStringList{"\\\\srv1\\vol1\\home"});
    EXPECT_TRUE(form->CheckListBoxQ->isChecked(0));
}

TEST_F(StartPathsTest, RemovingTheLastEntryDisablesThePurgeButton)
{
    OpenForm();
    DoubleClickFolder("\\\\SRV1\\VOL1\\DATA");
    form->CheckListBoxQ->setItemIndex(-1);
    form->CheckListBoxQDblClick(nullptr);  // nothing selected: nothing removed
    EXPECT_EQ(form->CheckListBoxQ->count(), 1);

    form->CheckListBoxQ->setItemIndex(0);
    form->CheckListBoxQDblClick(nullptr);
    EXPECT_EQ(form->CheckListBoxQ->count(), 0);
    EXPECT_EQ(Label(), "#Start Paths Selected: 0");
    EXPECT_FALSE(form->BitBtnPurgeSelected->isEnabled());
}

TEST_F(StartPathsTest, EmptyPathOrPathWithLineBreakIsNotAdded)
{
    OpenForm();
    form->ShellTreeView1->treeWidget()->setCurrentItem(nullptr);
    form->ShellTreeView1DblClick(nullptr);
    EXPECT_EQ(form->CheckListBoxQ->count(), 0);

    const std::string root = dir.path().toStdString();
    ASSERT_TRUE(QDir(dir.path()).mkdir("two\nlines"));
    form->ShellTreeViewSetRoot(root);
    DoubleClickFolder(root + "/two\nlines");
    EXPECT_EQ(form->CheckListBoxQ->count(), 0);
    EXPECT_EQ(Label(), "#Start Paths Selected: 0");
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(StartPathsTest, SecondServerClosesTheHandleAndReRootsTheTree)
{
    OpenForm();
    ASSERT_EQ(form->ServerList->items(), (QStringList{"SRV1", "SRV2"}));
    EXPECT_EQ(form->ShellTreeView1->root(), "\\\\SRV1\\");
    const NWCONN_HANDLE first = Job.ConnHandle;
    ASSERT_NE(first, NoConnection);

    form->ServerList->setItemIndex(1);
    EXPECT_TRUE(Closed(first));
    EXPECT_EQ(Job.ServerName, "SRV2");
    std::string server;
    EXPECT_EQ(ConnServerName(Job.ConnHandle, server), 0);
    EXPECT_EQ(server, "SRV2");
    EXPECT_EQ(form->ShellTreeView1->root(), "\\\\SRV2\\");

    // A folder click leaves its own resolution in ConnHandle; the next server
    // choice closes that one.
    DoubleClickFolder("\\\\SRV2\\APPS\\OLD");
    EXPECT_EQ(Job.VolumeName, "APPS");
    const NWCONN_HANDLE clicked = Job.ConnHandle;
    form->ServerList->setItemIndex(0);
    EXPECT_TRUE(Closed(clicked));
    EXPECT_EQ(Job.VolumeName, "");
    EXPECT_EQ(form->ShellTreeView1->root(), "\\\\SRV1\\");
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(StartPathsTest, ConnectionThatCannotOpenIsReportedAndTreeReRootedAllTheSame)
{
    OpenForm();
    form->ServerList->addItem("SRV2", QVariant::fromValue<quint32>(0x7777));
    form->ServerList->setItemIndex(2);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].kind, MsgDlgType::Error);
    EXPECT_EQ(boxes.Requests()[0].text, "NWCCOpenConnByRef returned error " + NWErrorText(ERR_INVALID_CONNECTION));
    EXPECT_EQ(form->ShellTreeView1->root(), "\\\\SRV2\\");
}

TEST_F(StartPathsTest, FolderClickClearsResultsAndShowsTheFolder)
{
    OpenForm();
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    form->BitBtnPurgeSelectedClick(nullptr);
    ASSERT_EQ(form->LabelResults->text(), "Results: Total: 2 - Matching: 0");
    form->CheckListBoxQ->removeItem(0);
    ASSERT_TRUE(form->ShellTreeView1->selectPath("\\\\SRV1\\VOL1\\DATA\\SUB"));
    form->ShellTreeView1Click(nullptr);
    EXPECT_EQ(form->ListBoxResults->count(), 0);
    EXPECT_EQ(form->LabelResults->text(), "Results ... ") << "the totals go with the list";
    EXPECT_EQ(form->StatusBar1->currentMessage(), "\\\\SRV1\\VOL1\\DATA\\SUB");
    EXPECT_EQ(Job.SelectedFolder, "\\\\SRV1\\VOL1\\DATA\\SUB");
    EXPECT_EQ(Job.ServerName, "SRV1");
    EXPECT_EQ(Job.VolumeName, "VOL1");
    EXPECT_EQ(Job.DirPath, "DATA\\SUB");

    // A local folder is shown and can be collected; nothing is reported.
    const std::string local = dir.path().toStdString();
    form->ShellTreeViewSetRoot("/");
    ASSERT_TRUE(form->ShellTreeView1->selectPath(local));
    form->ShellTreeView1Click(nullptr);
    form->ShellTreeView1DblClick(nullptr);
    EXPECT_EQ(form->StatusBar1->currentMessage(), QStr(local));
    EXPECT_EQ(Job.VolumeName, "");
    EXPECT_EQ(Job.DirPath, "");
    EXPECT_EQ(form->CheckListBoxQ->items(), QStringList{QStr(local)});
    EXPECT_TRUE(boxes.Texts().empty());
}

// A start path that another one covers is noted under the list, without a box;
// the note follows the marks and goes with the last covered path.
TEST_F(StartPathsTest, CoveredStartPathIsNotedUnderTheList)
{
    OpenForm();
    DoubleClickFolder("\\\\SRV1\\VOL1\\DATA");
    EXPECT_TRUE(form->LabelStartPathNote->isHidden());
    DoubleClickFolder("\\\\SRV1\\VOL1\\DATA\\SUB");
    EXPECT_FALSE(form->LabelStartPathNote->isHidden());
    EXPECT_EQ(StdStr(form->LabelStartPathNote->text()),
              "\\\\SRV1\\VOL1\\DATA\\SUB is covered by \\\\SRV1\\VOL1\\DATA (sub): a job does not walk it again.");
    EXPECT_TRUE(boxes.Requests().empty());

    form->CheckListBoxQ->setChecked(0, false);  // one level only: SUB is walked itself
    EXPECT_TRUE(form->LabelStartPathNote->isHidden());
    form->CheckListBoxQ->setChecked(0, true);
    form->CheckListBoxQ->setItemIndex(1);
    form->CheckListBoxQDblClick(nullptr);
    EXPECT_TRUE(form->LabelStartPathNote->isHidden());
}

TEST_F(StartPathsTest, RootThatCannotBeShownIsReportedAndTreeKeepsItsRoot)
{
    OpenForm();
    form->ShellTreeViewSetRoot("/no/such/folder");
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].kind, MsgDlgType::Error);
    EXPECT_EQ(boxes.Requests()[0].text, "Error setting path: \"/no/such/folder\"");
    EXPECT_EQ(form->ShellTreeView1->root(), "\\\\SRV1\\");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(StartPathsTest, WithoutClientLocalFoldersCanStillBeCollected)
{
    client->SetClientStartupCode(ERR_CLIENT_NOT_STARTED);
    OpenForm();
    EXPECT_EQ(form->ServerList->count(), 0);
    EXPECT_EQ(form->ShellTreeView1->root(), "/");
    EXPECT_EQ(Job.ConnHandle, NoConnection);
    DoubleClickFolder(dir.path().toStdString());
    EXPECT_EQ(form->CheckListBoxQ->count(), 1);
    EXPECT_TRUE(form->BitBtnPurgeSelected->isEnabled());
}

}  // namespace

namespace {

// The keyboard does what the mouse does: Enter in the tree adds the current
// folder, Space in the list switches the selected entry's recursion mark and
// Delete removes it.
TEST_F(StartPathsTest, EnterAddsTheFolderSpaceTogglesTheMarkDeleteRemoves)
{
    OpenForm();
    form->PageControl1->setCurrentWidget(form->TabSheetSelect);
    QTreeWidget* tree = form->ShellTreeView1->treeWidget();
    ASSERT_TRUE(form->ShellTreeView1->selectPath("\\\\SRV1\\VOL1\\DATA"));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Return);
    ASSERT_EQ(form->CheckListBoxQ->items(), QStringList{"\\\\SRV1\\VOL1\\DATA"});
    EXPECT_TRUE(form->CheckListBoxQ->isChecked(0));
    EXPECT_EQ(form->StatusBar1->currentMessage(), "\\\\SRV1\\VOL1\\DATA");
    QTest::keyClick(tree, Qt::Key_Down);
    QTest::keyClick(tree, Qt::Key_Enter);
    EXPECT_EQ(form->CheckListBoxQ->count(), 2);
    EXPECT_EQ(Label(), "#Start Paths Selected: 2");

    QListWidget* list = form->CheckListBoxQ->listWidget();
    list->setFocus();
    form->CheckListBoxQ->setItemIndex(0);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_FALSE(form->CheckListBoxQ->isChecked(0));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(form->CheckListBoxQ->isChecked(0));
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(form->CheckListBoxQ->count(), 1);
    EXPECT_EQ(Label(), "#Start Paths Selected: 1");
}

}  // namespace
