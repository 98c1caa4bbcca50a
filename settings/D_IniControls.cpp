// SPDX-License-Identifier: GPL-3.0-or-later
// The walk over a container's controls: what each kind of control stores in
// the settings file and how it gets it back.
#include "settings/D_Ini.h"

#include "util/D_Util.h"
#include "util/QtText.h"
#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>

#include <algorithm>

namespace {

std::string SubSection(const std::string& section, const std::string& name)
{
    return section + " " + name;
}

std::string HistorySection(const std::string& name)
{
    return "History " + name;
}

std::string CellKey(int col, int row)
{
    return "Cell." + std::to_string(col) + "." + std::to_string(row);
}

// The children the walk visits, in child order. Taken up front and guarded,
// because handlers that run during a restore may add or delete widgets.
QList<QPointer<QWidget>> ControlsBelow(const QWidget* control)
{
    QList<QPointer<QWidget>> controls;
    if (HasOwnParts(control))
        return controls;
    for (QObject* child : control->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !IsPassedOver(w))
            controls.append(w);
    return controls;
}

std::vector<std::string> MemoLines(const QPlainTextEdit* memo)
{
    std::vector<std::string> lines;
    for (const QString& line : memo->toPlainText().split(QLatin1Char('\n')))
        lines.push_back(StdStr(line));
    return lines;
}

bool FullyChecked(const QCheckBox* box)
{
    return box->checkState() == Qt::Checked;
}

// ---- save ----------------------------------------------------------------------

void SaveCheckListBox(IniFile* file, const std::string& l, const CheckListBox* box)
{
    file->Transact([&] {
        file->EraseSectionAndDuplicates(l);
        for (int i = 0; i < box->count(); ++i)
            WriteStringIfChanged(file, l, StdStr(box->itemText(i)), box->isChecked(i) ? "1" : "0");
    });
}

void SaveGrid(IniFile* file, const std::string& l, const QTableWidget* grid)
{
    file->EraseSectionAndDuplicates(l);
    WriteIntegerIfChanged(file, l, "RowCount", grid->rowCount());
    WriteIntegerIfChanged(file, l, "ColCount", grid->columnCount());
    WriteIntegerIfChanged(file, l, "FixedRows", GridFixedRows(grid));
    WriteIntegerIfChanged(file, l, "FixedCols", GridFixedCols(grid));
    for (int c = 0; c < grid->columnCount(); ++c)
        for (int r = 0; r < grid->rowCount(); ++r)
            if (const QTableWidgetItem* cell = grid->item(r, c))
                WriteStringIfChanged(file, l, CellKey(c, r), StdStr(cell->text()));
}

void SaveByKind(IniFile* file, const std::string& s, const std::string& name, QWidget* x)
{
    switch (KindOf(x)) {
    case ControlKind::Edit:
        WriteStringIfChanged(file, s, name, StdStr(static_cast<QLineEdit*>(x)->text()));
        break;
    case ControlKind::ComboHistory:
        SaveHistory(file, HistorySection(name), static_cast<QComboBox*>(x));
        break;
    case ControlKind::ComboList:
        WriteStringIfChanged(file, s, name, StdStr(static_cast<QComboBox*>(x)->currentText()));
        break;
    case ControlKind::SpinEdit:
        WriteIntegerIfChanged(file, s, name, static_cast<QSpinBox*>(x)->value());
        break;
    case ControlKind::RadioGroup:
        WriteIntegerIfChanged(file, s, name, static_cast<RadioGroup*>(x)->itemIndex());
        break;
    case ControlKind::TrackBar:
        WriteIntegerIfChanged(file, s, name, static_cast<QSlider*>(x)->value());
        break;
    case ControlKind::CheckBox:
        WriteBoolIfChanged(file, s, name, FullyChecked(static_cast<QCheckBox*>(x)));
        break;
    case ControlKind::CheckListBox:
        SaveCheckListBox(file, SubSection(s, name), static_cast<CheckListBox*>(x));
        break;
    case ControlKind::Memo:
        if (auto* memo = static_cast<QPlainTextEdit*>(x); !memo->isReadOnly())
            WriteSectionStrings(file, SubSection(s, name), MemoLines(memo));
        break;
    case ControlKind::StringGrid:
        SaveGrid(file, SubSection(s, name), static_cast<QTableWidget*>(x));
        break;
    case ControlKind::None:
        break;
    }
}

void SaveWalk(IniFile* file, std::string s, QWidget* x)
{
    const std::string name = ComponentName(x);
    if (IsForm(x)) {
        s = SubSection(s, name);
        SaveBounds(file, s, x);
    }
    if (!name.empty())
        SaveByKind(file, s, name, x);
    for (const QPointer<QWidget>& child : ControlsBelow(x)) {
        if (!child)
            continue;
        if (auto* splitter = qobject_cast<QSplitter*>(child.data()))
            SaveSplitterSizes(file, s, splitter);
        SaveWalk(file, s, child);
    }
}

// ---- restore ---------------------------------------------------------------------

void RestoreComboList(const IniFile* file, const std::string& s, const std::string& name, QComboBox* combo)
{
    const std::string text = ReadIniString(file, s, name, StdStr(combo->currentText()));
    int index = -1;
    for (int i = 0; i < combo->count() && index < 0; ++i)
        if (SameTextAscii(StdStr(combo->itemText(i)), text))
            index = i;
    combo->setCurrentIndex(index);
}

void RestoreMemo(const IniFile* file, const std::string& l, QPlainTextEdit* memo)
{
    // A read-only memo shows what the program puts there, not a setting.
    if (memo->isReadOnly())
        return;
    std::vector<std::string> lines;
    ReadSectionStrings(file, l, lines);
    QStringList text;
    for (const std::string& line : lines)
        text.append(QStr(line));
    const QString joined = text.join(QLatin1Char('\n'));
    if (memo->toPlainText() != joined)
        memo->setPlainText(joined);
}

void RestoreCheckListBox(const IniFile* file, const std::string& l, CheckListBox* box)
{
    box->clear();
    for (const std::string& key : file->ReadSection(l))
        box->addItem(QStr(key));
    for (int i = 0; i < box->count(); ++i)
        box->setChecked(i, ReadIniBool(file, l, StdStr(box->itemText(i)), false));
}

void RestoreGrid(const IniFile* file, const std::string& l, QTableWidget* grid)
{
    SetGridRowCount(grid, ReadIniInteger(file, l, "RowCount", grid->rowCount()));
    SetGridColCount(grid, ReadIniInteger(file, l, "ColCount", grid->columnCount()));
    SetGridFixedRows(grid, ReadIniInteger(file, l, "FixedRows", GridFixedRows(grid)));
    SetGridFixedCols(grid, ReadIniInteger(file, l, "FixedCols", GridFixedCols(grid)));
    for (int c = 0; c < grid->columnCount(); ++c)
        for (int r = 0; r < grid->rowCount(); ++r) {
            const QTableWidgetItem* cell = grid->item(r, c);
            const QString current = cell ? cell->text() : QString();
            const QString text = QStr(ReadIniString(file, l, CellKey(c, r), StdStr(current)));
            if (text == current)
                continue;
            if (QTableWidgetItem* item = grid->item(r, c))
                item->setText(text);
            else
                grid->setItem(r, c, new QTableWidgetItem(text));
        }
}

void RestoreSize(const IniFile* file, const std::string& s, const std::string& name, QWidget* x)
{
    const int width = ReadIniInteger(file, s, name + ".Width", x->width());
    const int height = ReadIniInteger(file, s, name + ".Height", x->height());
    if (width != x->width() || height != x->height())
        x->resize(width, height);
}

void RestoreByKind(const IniFile* file, const std::string& s, const std::string& name, QWidget* x)
{
    switch (KindOf(x)) {
    case ControlKind::Edit: {
        auto* edit = static_cast<QLineEdit*>(x);
        edit->setText(QStr(ReadIniString(file, s, name, StdStr(edit->text()))));
        break;
    }
    case ControlKind::ComboHistory: {
        auto* combo = static_cast<QComboBox*>(x);
        LoadHistory(file, HistorySection(name), ReadIniString(file, s, name, StdStr(combo->currentText())), combo);
        break;
    }
    case ControlKind::ComboList:
        RestoreComboList(file, s, name, static_cast<QComboBox*>(x));
        break;
    case ControlKind::CheckBox: {
        auto* box = static_cast<QCheckBox*>(x);
        const bool checked = ReadIniBool(file, s, name, FullyChecked(box));
        if (checked != FullyChecked(box))
            box->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        break;
    }
    case ControlKind::SpinEdit: {
        auto* spin = static_cast<QSpinBox*>(x);
        spin->setValue(std::clamp(ReadIniInteger(file, s, name, spin->value()), spin->minimum(), spin->maximum()));
        break;
    }
    case ControlKind::TrackBar: {
        auto* bar = static_cast<QSlider*>(x);
        bar->setValue(std::clamp(ReadIniInteger(file, s, name, bar->value()), bar->minimum(), bar->maximum()));
        break;
    }
    case ControlKind::RadioGroup: {
        auto* group = static_cast<RadioGroup*>(x);
        // setItemIndex takes values beyond either end to the nearer end.
        group->setItemIndex(ReadIniInteger(file, s, name, group->itemIndex()));
        break;
    }
    case ControlKind::Memo:
        RestoreMemo(file, SubSection(s, name), static_cast<QPlainTextEdit*>(x));
        break;
    case ControlKind::CheckListBox:
        RestoreCheckListBox(file, SubSection(s, name), static_cast<CheckListBox*>(x));
        break;
    case ControlKind::StringGrid:
        RestoreGrid(file, SubSection(s, name), static_cast<QTableWidget*>(x));
        break;
    case ControlKind::None:
        break;
    }
}

void RestoreWalk(const IniFile* file, std::string s, QWidget* x)
{
    const std::string name = ComponentName(x);
    if (IsForm(x)) {
        s = SubSection(s, name);
        RestoreBounds(file, s, x);
    }
    if (!name.empty()) {
        RestoreSize(file, s, name, x);
        RestoreByKind(file, s, name, x);
    }
    for (const QPointer<QWidget>& child : ControlsBelow(x)) {
        if (!child)
            continue;
        RestoreWalk(file, s, child);
        if (auto* splitter = qobject_cast<QSplitter*>(child.data()))
            RestoreSplitterSizes(file, s, splitter);
    }
}

}  // namespace

void SaveControlStates(IniFile* file, const std::string& section, QWidget* container)
{
    if (file && container)
        SaveWalk(file, section, container);
}

void RestoreControlStates(const IniFile* file, const std::string& section, QWidget* container)
{
    if (file && container)
        RestoreWalk(file, section, container);
}
