// SPDX-License-Identifier: GPL-3.0-or-later
// The control walk on a panel shaped like the main window's settings panel,
// and on the other kinds it knows.
#include "D_IniTestSupport.h"
#include "settings/D_Ini.h"
#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using Lines = std::vector<std::string>;

// PanelConfigLeft in its design state, inside a window as in the program (a
// widget without a parent would be a window itself).
struct SettingsPanel {
    QWidget window;
    QWidget& panel = *new QWidget(&window);
    QCheckBox* upper;
    QSpinBox* upperSize;
    QCheckBox* lower;
    QSpinBox* lowerSize;
    QCheckBox* age;
    QSpinBox* days;
    RadioGroup* logic;
    QPlainTextEdit* patterns;
    QCheckBox* usePatterns;

    SettingsPanel()
    {
        panel.setObjectName("PanelConfigLeft");
        auto* column = new QVBoxLayout(&panel);
        upper = AddRow(column, "PanelCBSize1", "CheckBoxSizeUpperLimit", "FileSizeUpperLimit", 10, &upperSize);
        lower = AddRow(column, "PanelCBSize9", "CheckBoxSizeLowerLimit", "FileSizeLowerLimit", 1000, &lowerSize);
        age = AddRow(column, "PanelCBAge", "CheckBoxAge", "FileOlderThan", 14, &days);

        logic = new RadioGroup(&panel);
        logic->setObjectName("RadioGroupLogic");
        logic->setTitle("Logical &Operator");
        logic->setColumns(2);
        logic->setItems({"Or", "And"});
        logic->setItemIndex(0);
        column->addWidget(logic);

        auto* pattern = new QWidget(&panel);
        pattern->setObjectName("PanelPattern");
        auto* rows = new QVBoxLayout(pattern);
        patterns = new QPlainTextEdit(pattern);
        patterns->setObjectName("MemoExtList");
        usePatterns = new QCheckBox("Purge Files matching  ...", pattern);
        usePatterns->setObjectName("CheckBoxFilePatterns");
        usePatterns->setChecked(true);
        rows->addWidget(patterns);
        rows->addWidget(usePatterns);
        column->addWidget(pattern);
    }

    QCheckBox* AddRow(QVBoxLayout* column, const char* panelName, const char* boxName, const char* spinName, int value,
                      QSpinBox** spin)
    {
        auto* row = new QWidget(&panel);
        row->setObjectName(panelName);
        auto* layout = new QHBoxLayout(row);
        auto* box = new QCheckBox(row);
        box->setObjectName(boxName);
        *spin = new QSpinBox(row);
        (*spin)->setObjectName(spinName);
        (*spin)->setRange(0, 999999);
        (*spin)->setValue(value);
        auto* unit = new QLabel("kB", row);
        unit->setObjectName("LabelUnit");
        layout->addWidget(box);
        layout->addWidget(*spin);
        layout->addWidget(unit);
        column->addWidget(row);
        return box;
    }
};

const Lines DesignConfig = {
    "CheckBoxSizeUpperLimit=0", "FileSizeUpperLimit=10", "CheckBoxSizeLowerLimit=0", "FileSizeLowerLimit=1000",
    "CheckBoxAge=0",            "FileOlderThan=14",      "CheckBoxFilePatterns=1",
};

class SettingsPanelTest : public SettingsFileTest {
protected:
    SettingsPanel ui;
    void Save() { SaveControlStates(ini.get(), "Config", &ui.panel); }
    void Restore() { RestoreControlStates(ini.get(), "Config", &ui.panel); }
};

TEST_F(SettingsPanelTest, DesignStateWritesExactlyTheListedKeys)
{
    Save();
    EXPECT_EQ(Section("Config"), DesignConfig);
    // No list section for the empty memo, no sizes, no labels.
    EXPECT_EQ(ini->ReadSections(), Lines({"Config"}));
}

TEST_F(SettingsPanelTest, LogicIsWrittenOnceItWasChosen)
{
    ui.logic->setItemIndex(1);
    Save();
    EXPECT_EQ(ini->ReadString("Config", "RadioGroupLogic", "?"), "1");
    ui.logic->setItemIndex(0);
    Save();
    EXPECT_EQ(ini->ReadString("Config", "RadioGroupLogic", "?"), "0");
}

TEST_F(SettingsPanelTest, MemoKeepsItsLinesWithoutTheEmptyOnes)
{
    ui.patterns->setPlainText("*.tmp\n\n*.bak");
    Save();
    EXPECT_EQ(Section("Config MemoExtList"), Lines({"0=*.tmp", "2=*.bak"}));

    ui.patterns->clear();
    Restore();
    EXPECT_EQ(ui.patterns->toPlainText(), "*.tmp\n*.bak");

    // A missing section empties the memo.
    ini->EraseSection("Config MemoExtList");
    Restore();
    EXPECT_EQ(ui.patterns->toPlainText(), "");
}

TEST_F(SettingsPanelTest, SecondSaveWithoutChangesLeavesTheFileAlone)
{
    // Hand-written spellings of the stored values must survive a save.
    PutFile("; kept\r\n[config]\r\nfilesizeupperlimit = 0x0A\r\nCheckBoxAge=\"0\"\r\n");
    ui.patterns->setPlainText("*.tmp");
    Save();
    const std::string first = FileBytes();
    EXPECT_NE(first.find("filesizeupperlimit = 0x0A\r\n"), std::string::npos) << first;
    EXPECT_NE(first.find("CheckBoxAge=\"0\"\r\n"), std::string::npos) << first;
    Save();
    EXPECT_EQ(FileBytes(), first);
}

TEST_F(SettingsPanelTest, RestoreBringsTheSavedStateBack)
{
    ui.upper->setChecked(true);
    ui.upperSize->setValue(77);
    ui.logic->setItemIndex(1);
    ui.usePatterns->setChecked(false);
    ui.patterns->setPlainText("*.~??");
    Save();

    SettingsPanel fresh;
    RestoreControlStates(ini.get(), "Config", &fresh.panel);
    EXPECT_TRUE(fresh.upper->isChecked());
    EXPECT_EQ(fresh.upperSize->value(), 77);
    EXPECT_EQ(fresh.lowerSize->value(), 1000);
    EXPECT_EQ(fresh.logic->itemIndex(), 1);
    EXPECT_FALSE(fresh.usePatterns->isChecked());
    EXPECT_EQ(fresh.patterns->toPlainText(), "*.~??");
}

TEST_F(SettingsPanelTest, RestoreNotifiesChangedControlsOnly)
{
    PutFile("[Config]\r\nCheckBoxAge=1\r\nFileOlderThan=14\r\nRadioGroupLogic=1\r\nCheckBoxSizeUpperLimit=0\r\n");
    QSignalSpy ageToggled(ui.age, &QCheckBox::toggled);
    QSignalSpy daysChanged(ui.days, &QSpinBox::valueChanged);
    QSignalSpy logicChanged(ui.logic, &RadioGroup::itemIndexChanged);
    QSignalSpy upperToggled(ui.upper, &QCheckBox::toggled);
    QSignalSpy patternsToggled(ui.usePatterns, &QCheckBox::toggled);
    Restore();
    EXPECT_EQ(ageToggled.count(), 1);
    EXPECT_EQ(logicChanged.count(), 1);
    EXPECT_EQ(daysChanged.count(), 0);
    EXPECT_EQ(upperToggled.count(), 0);
    EXPECT_EQ(patternsToggled.count(), 0);
}

TEST_F(SettingsPanelTest, PartiallyCheckedBoxSavesAsUnchecked)
{
    ui.usePatterns->setTristate(true);
    ui.usePatterns->setCheckState(Qt::PartiallyChecked);
    Save();
    EXPECT_EQ(ini->ReadString("Config", "CheckBoxFilePatterns", "?"), "0");
}

TEST_F(SettingsPanelTest, StoredValuesAreKeptWithinTheControlsRanges)
{
    ui.days->setRange(1, 365);
    PutFile("[Config]\r\nFileOlderThan=4000\r\nFileSizeUpperLimit=-5\r\nRadioGroupLogic=9\r\n");
    Restore();
    EXPECT_EQ(ui.days->value(), 365);
    EXPECT_EQ(ui.upperSize->value(), 0);
    EXPECT_EQ(ui.logic->itemIndex(), 1);

    PutFile("[Config]\r\nRadioGroupLogic=-7\r\nFileOlderThan=many\r\n");
    Restore();
    EXPECT_EQ(ui.logic->itemIndex(), -1);
    EXPECT_EQ(ui.days->value(), 365);
}

TEST_F(SettingsPanelTest, NothingHappensWithoutASettingsFile)
{
    ui.patterns->setPlainText("*.bak");
    RestoreControlStates(nullptr, "Config", &ui.panel);
    EXPECT_EQ(ui.patterns->toPlainText(), "*.bak");
    // A first run: no file at all leaves the design state but empties the memo.
    Restore();
    EXPECT_EQ(ui.days->value(), 14);
    EXPECT_TRUE(ui.usePatterns->isChecked());
    EXPECT_EQ(ui.patterns->toPlainText(), "");
    EXPECT_FALSE(Exists("morvane.ini"));
}

// ---- the other kinds ------------------------------------------------------------

class ControlKindsTest : public SettingsFileTest {
protected:
    QWidget window;
    QWidget& form = *new QWidget(&window);
    template <class W>
    W* Add(const char* name)
    {
        auto* w = new W(&form);
        w->setObjectName(name);
        return w;
    }
};

TEST_F(ControlKindsTest, InnerPartsOfControlsAreNotControls)
{
    Add<QSpinBox>("Spin")->setValue(3);
    Add<QComboBox>("Pick")->addItems({"a", "b"});
    auto* memo = Add<QPlainTextEdit>("Memo");
    memo->setPlainText("x");
    Add<QTableWidget>("Grid");
    auto* group = Add<RadioGroup>("Group");
    group->setItems({"p", "q"});
    new QLineEdit(&form);  // unnamed: stores nothing
    auto* shown = Add<QPlainTextEdit>("MemoFilter");
    shown->setPlainText("program output");
    shown->setReadOnly(true);
    SaveControlStates(ini.get(), "S", &form);
    EXPECT_EQ(Section("S"), Lines({"Spin=3", "Pick=a", "Group=-1"}));
    EXPECT_EQ(Section("S Memo"), Lines({"0=x"}));
    const Lines sections = ini->ReadSections();
    EXPECT_EQ(sections, Lines({"S", "S Memo"}));

    // A read-only memo is the program's, not a setting: restore leaves it too.
    RestoreControlStates(ini.get(), "S", &form);
    EXPECT_EQ(shown->toPlainText(), "program output");
}

TEST_F(ControlKindsTest, FormPassedAsContainerGetsItsOwnSection)
{
    window.setObjectName("MainForm");
    window.setGeometry(40, 50, 300, 200);
    Add<QLineEdit>("EditName")->setText("FS1");
    SaveControlStates(ini.get(), "Config", &window);
    EXPECT_EQ(Section("Config MainForm"),
              Lines({"MainForm.Top=50", "MainForm.Left=40", "MainForm.Width=300", "MainForm.Height=200",
                     "EditName=FS1"}));
    EXPECT_TRUE(Section("Config").empty());
}

TEST_F(ControlKindsTest, SizesAreReadForNamedControlsButNotForLabels)
{
    auto* edit = Add<QLineEdit>("EditName");
    auto* label = Add<QLabel>("LabelName");
    edit->resize(100, 20);
    label->resize(100, 20);
    PutFile("[S]\r\nEditName.Width=250\r\nLabelName.Width=250\r\n");
    RestoreControlStates(ini.get(), "S", &form);
    EXPECT_EQ(edit->size(), QSize(250, 20));
    EXPECT_EQ(label->width(), 100);
}

TEST_F(ControlKindsTest, EditAndPickOnlyCombo)
{
    auto* edit = Add<QLineEdit>("EditName");
    auto* pick = Add<QComboBox>("ComboPick");
    pick->addItems({"Alpha", "Beta"});
    PutFile("[S]\r\nEditName=server one\r\nComboPick=BETA\r\n");
    RestoreControlStates(ini.get(), "S", &form);
    EXPECT_EQ(edit->text(), "server one");
    EXPECT_EQ(pick->currentIndex(), 1);

    PutFile("[S]\r\nComboPick=Gamma\r\n");
    RestoreControlStates(ini.get(), "S", &form);
    EXPECT_EQ(pick->currentIndex(), -1);
    EXPECT_EQ(edit->text(), "server one");
}

TEST_F(ControlKindsTest, EditableComboKeepsItsHistoryInItsOwnSection)
{
    auto* combo = Add<QComboBox>("ComboServer");
    combo->setEditable(true);
    combo->setEditText("FS2");
    SaveControlStates(ini.get(), "S", &form);
    EXPECT_FALSE(ini->SectionExists("S"));
    EXPECT_EQ(Section("History ComboServer"), Lines({"Current=\"FS2\"", "Count=1", "0=\"FS2\""}));

    // The fallback comes from S when the history holds no current text.
    PutFile("[S]\r\nComboServer=FS9\r\n[History ComboServer]\r\n0=FS1\r\n");
    combo->clear();
    combo->setEditText("");
    RestoreControlStates(ini.get(), "S", &form);
    EXPECT_EQ(combo->currentText(), "FS9");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "FS9");
    EXPECT_EQ(combo->itemText(1), "FS1");
}

TEST_F(ControlKindsTest, TrackBarRoundTripAndClamp)
{
    auto* bar = Add<QSlider>("TrackBarSpeed");
    bar->setRange(0, 10);
    bar->setValue(7);
    SaveControlStates(ini.get(), "S", &form);
    EXPECT_EQ(Section("S"), Lines({"TrackBarSpeed=7"}));
    PutFile("[S]\r\nTrackBarSpeed=99\r\n");
    RestoreControlStates(ini.get(), "S", &form);
    EXPECT_EQ(bar->value(), 10);
}

TEST_F(ControlKindsTest, CheckListBoxInAContainerKeepsOrderAndMarks)
{
    auto* box = Add<CheckListBox>("CheckListBoxX");
    // A duplicate section is never read, and goes with the next save.
    PutFile("[S CheckListBoxX]\r\nx=1\r\ny=0\r\n[S CheckListBoxX]\r\nunseen=1\r\n");
    RestoreControlStates(ini.get(), "S", &form);
    ASSERT_EQ(box->items(), QStringList({"x", "y"}));
    EXPECT_TRUE(box->isChecked(0));
    EXPECT_FALSE(box->isChecked(1));

    box->addItem("[z]", true);
    SaveControlStates(ini.get(), "S", &form);
    EXPECT_EQ(Section("S CheckListBoxX"), Lines({"x=1", "y=0", "z=1"}));
    EXPECT_EQ(FileBytes().find("unseen"), std::string::npos);

    ini->EraseSection("S CheckListBoxX");
    RestoreControlStates(ini.get(), "S", &form);
    EXPECT_EQ(box->count(), 0);
}

TEST_F(ControlKindsTest, StringGridRoundTrip)
{
    auto* grid = Add<QTableWidget>("GridPaths");
    SetGridRowCount(grid, 3);
    SetGridColCount(grid, 2);
    SetGridFixedRows(grid, 1);
    grid->setItem(0, 0, new QTableWidgetItem("Path"));
    grid->setItem(0, 1, new QTableWidgetItem("Depth"));
    grid->setItem(2, 1, new QTableWidgetItem("3"));
    SaveControlStates(ini.get(), "S", &form);
    EXPECT_EQ(Section("S GridPaths"),
              Lines({"RowCount=3", "ColCount=2", "FixedRows=1", "Cell.0.0=Path", "Cell.1.0=Depth", "Cell.1.2=3"}));

    QWidget other;
    auto* copy = new QTableWidget(&other);
    copy->setObjectName("GridPaths");
    RestoreControlStates(ini.get(), "S", copy);
    EXPECT_EQ(copy->rowCount(), 3);
    EXPECT_EQ(copy->columnCount(), 2);
    EXPECT_EQ(GridFixedRows(copy), 1);
    EXPECT_EQ(GridFixedCols(copy), 0);
    ASSERT_NE(copy->item(2, 1), nullptr);
    EXPECT_EQ(copy->item(2, 1)->text(), "3");
    EXPECT_EQ(copy->item(0, 1)->text(), "Depth");
    EXPECT_EQ(copy->item(1, 0), nullptr);
}

TEST_F(ControlKindsTest, GridRefusesAFixedCountThatLeavesNoOtherRow)
{
    auto* grid = Add<QTableWidget>("Grid");
    PutFile("[S Grid]\r\nRowCount=2\r\nColCount=2\r\nFixedRows=2\r\n");
    EXPECT_THROW(RestoreControlStates(ini.get(), "S", &form), std::invalid_argument);
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(GridFixedRows(grid), 0);

    // A smaller row count takes the fixed rows down with it.
    SetGridFixedRows(grid, 1);
    SetGridRowCount(grid, 1);
    EXPECT_EQ(GridFixedRows(grid), 0);
}

}  // namespace
