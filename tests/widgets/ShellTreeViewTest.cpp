// SPDX-License-Identifier: GPL-3.0-or-later
// The folder tree on a local folder and on an emulated server: lazy listing,
// the paths it reports, re-rooting, refused roots and the click signals.
#include "widgets/ShellTreeView.h"

#include "netware/NWClientBackend.h"
#include "netware/emulated/EmulatedClient.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QStringList ChildCaptions(const QTreeWidgetItem* item)
{
    QStringList captions;
    for (int i = 0; i < item->childCount(); ++i)
        captions << item->child(i)->text(0);
    return captions;
}

class ShellTreeViewLocalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir d(dir.path());
        for (const char* sub : {"beta/inner/deep", "Alpha", "gamma", ".hidden"})
            ASSERT_TRUE(d.mkpath(sub));
        QFile file(d.filePath("a-file.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        root = dir.path().toStdString();
    }

    QTemporaryDir dir;
    std::string root;
    ShellTreeView view;
};

TEST_F(ShellTreeViewLocalTest, DesignRootIsTheFileSystemRoot)
{
    ShellTreeView fresh;
    EXPECT_EQ(fresh.root(), "/");
    EXPECT_EQ(fresh.selectedPath(), "");
    EXPECT_FALSE(fresh.treeWidget()->rootIsDecorated());
}

TEST_F(ShellTreeViewLocalTest, ListsFoldersOnlySortedAndExpandsLazily)
{
    view.setRoot(root);
    QTreeWidget* tree = view.treeWidget();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* top = tree->topLevelItem(0);
    EXPECT_EQ(ChildCaptions(top), (QStringList{"Alpha", "beta", "gamma"}));  // no file, no hidden folder

    QTreeWidgetItem* beta = top->child(1);
    EXPECT_EQ(beta->childCount(), 0) << "listed before it was opened";
    beta->setExpanded(true);
    EXPECT_EQ(ChildCaptions(beta), QStringList{"inner"});

    QTreeWidgetItem* gamma = top->child(2);
    gamma->setExpanded(true);
    EXPECT_EQ(gamma->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
}

TEST_F(ShellTreeViewLocalTest, ReportsSelectedFolderAsLinuxPath)
{
    view.setRoot(root + "/");
    EXPECT_EQ(view.selectedPath(), "");
    ASSERT_TRUE(view.selectPath(root + "/beta/inner/deep"));
    EXPECT_EQ(view.selectedPath(), root + "/beta/inner/deep");
    EXPECT_FALSE(view.selectPath(root + "/missing"));
    EXPECT_EQ(view.selectedPath(), root + "/beta/inner/deep");
}

TEST_F(ShellTreeViewLocalTest, SameRootIgnoringCaseKeepsTreeAndRefusedRootKeepsOldOne)
{
    const std::string upper = QString::fromStdString(root).toUpper().toStdString();
    view.setRoot(root);
    ASSERT_TRUE(view.selectPath(root + "/gamma"));

    view.setRoot(upper);  // same root in other letters: nothing happens
    EXPECT_EQ(view.root(), root);
    EXPECT_EQ(view.selectedPath(), root + "/gamma");

    const std::string missing = root + "/no such folder";
    try {
        view.setRoot(missing);
        FAIL() << "expected ShellTreeViewError";
    } catch (const ShellTreeViewError& e) {
        EXPECT_EQ(std::string(e.what()), "Error setting path: \"" + missing + "\"");
    }
    EXPECT_EQ(view.root(), root);
    EXPECT_EQ(view.selectedPath(), root + "/gamma");
    EXPECT_THROW(view.setRoot(root + "/a-file.txt"), ShellTreeViewError);
}

TEST_F(ShellTreeViewLocalTest, MouseClickAndDoubleClickSignal)
{
    view.setRoot(root);
    view.resize(300, 300);
    view.show();
    QSignalSpy clicks(&view, &ShellTreeView::clicked);
    QSignalSpy doubleClicks(&view, &ShellTreeView::doubleClicked);
    QTreeWidget* tree = view.treeWidget();
    QTreeWidgetItem* alpha = tree->topLevelItem(0)->child(0);
    const QPoint at = tree->visualItemRect(alpha).center();

    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(view.selectedPath(), root + "/Alpha");

    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(doubleClicks.count(), 1);
    EXPECT_FALSE(alpha->isExpanded()) << "a double-click collects a folder, it does not open it";
}

class ShellTreeViewServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        client = EmulatedClient::OpenInMemory();
        client->ImportFixture(R"(tree TREE1
server SRV1 tree=TREE1
server SRV2 tree=TREE1
server LONELY tree=TREE1
volume SRV1 VOL1
volume SRV1 SYS
volume SRV2 APPS
dir \\SRV1\VOL1\DATA\SUB
dir \\SRV1\VOL1\data2
dir \\SRV1\VOL1\ARCHIVE
file \\SRV1\VOL1\DATA\live.txt size=10
connection SRV1 primary
connection SRV2
)");
        previous = SetClientBackend(client.get());
    }
    void TearDown() override { SetClientBackend(previous); }

    std::unique_ptr<EmulatedClient> client;
    NWClientBackend* previous = nullptr;
};

TEST_F(ShellTreeViewServerTest, BrowsesVolumesAndDirectoriesOfTheServer)
{
    ShellTreeView view;
    view.setRoot("\\\\SRV1\\");
    EXPECT_EQ(view.root(), "\\\\SRV1\\");
    QTreeWidgetItem* top = view.treeWidget()->topLevelItem(0);
    EXPECT_EQ(top->text(0), "\\\\SRV1\\");
    EXPECT_EQ(ChildCaptions(top), (QStringList{"SYS", "VOL1"}));

    QTreeWidgetItem* vol1 = top->child(1);
    vol1->setExpanded(true);
    EXPECT_EQ(ChildCaptions(vol1), (QStringList{"ARCHIVE", "DATA", "data2"}));

    ASSERT_TRUE(view.selectPath("\\\\SRV1\\VOL1\\DATA\\SUB"));
    EXPECT_EQ(view.selectedPath(), "\\\\SRV1\\VOL1\\DATA\\SUB");
    ASSERT_TRUE(view.selectPath("\\\\srv1\\vol1\\data"));
    EXPECT_EQ(view.selectedPath(), "\\\\SRV1\\VOL1\\DATA") << "the path as the tree spells it";
}

TEST_F(ShellTreeViewServerTest, SwitchesBetweenServerAndLocalRoots)
{
    ShellTreeView view;
    view.setRoot("\\\\SRV1\\");
    view.setRoot("\\\\SRV2\\");
    EXPECT_EQ(ChildCaptions(view.treeWidget()->topLevelItem(0)), QStringList{"APPS"});
    view.setRoot("/");
    EXPECT_EQ(view.root(), "/");
    EXPECT_EQ(view.treeWidget()->topLevelItem(0)->text(0), "/");
}

TEST_F(ShellTreeViewServerTest, ServerWithoutConnectionCannotBeShown)
{
    ShellTreeView view;
    view.setRoot("\\\\SRV1\\");
    for (const std::string bad : {"\\\\LONELY\\", "\\\\NOSUCH\\", "\\\\"}) {
        try {
            view.setRoot(bad);
            ADD_FAILURE() << "expected ShellTreeViewError for " << bad;
        } catch (const ShellTreeViewError& e) {
            EXPECT_EQ(std::string(e.what()), "Error setting path: \"" + bad + "\"");
        }
    }
    EXPECT_EQ(view.root(), "\\\\SRV1\\");
}

}  // namespace
