// SPDX-License-Identifier: GPL-3.0-or-later
// Position and size of windows and controls, and splitter panes.
#include "D_IniTestSupport.h"
#include "settings/D_Ini.h"

#include <QSplitter>
#include <QWidget>

namespace {

using Lines = std::vector<std::string>;

class BoundsTest : public SettingsFileTest {
protected:
    QWidget window;
    void SetUp() override
    {
        SettingsFileTest::SetUp();
        window.setObjectName("MainForm");
        window.setGeometry(120, 80, 640, 480);
    }
};

TEST_F(BoundsTest, SavedTopLeftWidthHeight)
{
    SaveBounds(ini.get(), "Display", &window);
    EXPECT_EQ(Section("Display"),
              Lines({"MainForm.Top=80", "MainForm.Left=120", "MainForm.Width=640", "MainForm.Height=480"}));
    SaveBounds(ini.get(), "", &window);
    EXPECT_EQ(Section("MainForm").size(), 4u);
}

TEST_F(BoundsTest, ADesignedWindowGetsItsBoundsBackEvenOffScreen)
{
    PutFile("[Display]\r\nMainForm.Top=-900\r\nMainForm.Left=5000\r\nMainForm.Width=300\r\nMainForm.Height=200\r\n");
    RestoreBounds(ini.get(), "Display", &window);
    EXPECT_EQ(window.pos(), QPoint(5000, -900));
    EXPECT_EQ(window.size(), QSize(300, 200));
}

TEST_F(BoundsTest, AStoredZeroIsNeverApplied)
{
    PutFile("[Display]\r\nMainForm.Top=0\r\nMainForm.Left=7\r\nMainForm.Width=0\r\nMainForm.Height=300\r\n");
    RestoreBounds(ini.get(), "Display", &window);
    EXPECT_EQ(window.pos(), QPoint(7, 80));
    EXPECT_EQ(window.size(), QSize(640, 300));
}

TEST_F(BoundsTest, ACentredWindowIsLeftAlone)
{
    SetFormPlacement(&window, FormPlacement::ScreenCenter);
    PutFile("[Display]\r\nMainForm.Left=7\r\nMainForm.Width=300\r\n");
    RestoreBounds(ini.get(), "Display", &window);
    EXPECT_EQ(window.geometry(), QRect(120, 80, 640, 480));
}

TEST_F(BoundsTest, ErrorsAreDiscarded)
{
    std::filesystem::create_directory(PathOf("morvane.ini"));
    EXPECT_NO_THROW(SaveBounds(ini.get(), "Display", &window));
    EXPECT_NO_THROW(SaveBounds(nullptr, "Display", &window));
    EXPECT_NO_THROW(RestoreBounds(nullptr, "Display", &window));
}

// ---- splitters -----------------------------------------------------------------------

struct Panes {
    QWidget window;
    QWidget* host = new QWidget(&window);
    QSplitter* splitter = new QSplitter(host);
    QWidget* left = new QWidget;
    QWidget* right = new QWidget;

    explicit Panes(Qt::Orientation orientation)
    {
        host->setObjectName("Host");
        splitter->setObjectName("Splitter4");
        splitter->setOrientation(orientation);
        left->setObjectName("PanelLeft");
        right->setObjectName("PanelRight");
        splitter->addWidget(left);
        splitter->addWidget(right);
        splitter->setChildrenCollapsible(false);
        splitter->resize(400, 400);
        window.show();
    }
};

TEST_F(SettingsFileTest, SplitterPaneSizesRoundTrip)
{
    Panes first(Qt::Horizontal);
    first.splitter->setSizes({100, 290});
    // The splitter scales the sizes to its own width.
    const QList<int> sizes = first.splitter->sizes();
    ASSERT_LT(sizes[0], sizes[1] / 2);
    SaveControlStates(ini.get(), "Config", first.host);
    EXPECT_EQ(ini->ReadInteger("Config", "PanelLeft.Width", 0), sizes[0]);
    EXPECT_EQ(ini->ReadInteger("Config", "PanelRight.Width", 0), sizes[1]);
    EXPECT_FALSE(ini->ValueExists("Config", "PanelLeft.Height"));

    Panes second(Qt::Horizontal);
    ASSERT_NE(second.splitter->sizes(), sizes);
    RestoreControlStates(ini.get(), "Config", second.host);
    EXPECT_EQ(second.splitter->sizes(), sizes);
}

TEST_F(SettingsFileTest, VerticalSplitterStoresHeights)
{
    Panes panes(Qt::Vertical);
    panes.splitter->setSizes({150, 240});
    const QList<int> sizes = panes.splitter->sizes();
    SaveSplitterSizes(ini.get(), "Config", panes.splitter);
    EXPECT_EQ(Section("Config"), Lines({"PanelLeft.Height=" + std::to_string(sizes[0]),
                                          "PanelRight.Height=" + std::to_string(sizes[1])}));
}

}  // namespace
