// SPDX-License-Identifier: GPL-3.0-or-later
// The control kinds of the settings walk on Qt's widget classes.
#include "settings/ControlKinds.h"

#include "util/QtText.h"
#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr const char* PlacementProperty = "FormPlacement";
constexpr const char* FixedRowsProperty = "FixedRows";
constexpr const char* FixedColsProperty = "FixedCols";

int IntProperty(const QWidget* w, const char* name)
{
    return w->property(name).toInt();
}

void SetFixed(QTableWidget* grid, const char* property, int count, int total, const char* what)
{
    if (count < 0 || (count > 0 && count >= total))
        throw std::invalid_argument(std::string("Fixed ") + what + " count must be less than " + what + " count");
    grid->setProperty(property, count);
}

}  // namespace

ControlKind KindOf(const QWidget* control)
{
    if (qobject_cast<const QLineEdit*>(control))
        return ControlKind::Edit;
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->isEditable() ? ControlKind::ComboHistory : ControlKind::ComboList;
    if (qobject_cast<const QSpinBox*>(control))
        return ControlKind::SpinEdit;
    if (qobject_cast<const RadioGroup*>(control))
        return ControlKind::RadioGroup;
    if (qobject_cast<const QSlider*>(control))
        return ControlKind::TrackBar;
    if (qobject_cast<const QCheckBox*>(control))
        return ControlKind::CheckBox;
    if (qobject_cast<const CheckListBox*>(control))
        return ControlKind::CheckListBox;
    if (qobject_cast<const QPlainTextEdit*>(control))
        return ControlKind::Memo;
    if (qobject_cast<const QTableWidget*>(control))
        return ControlKind::StringGrid;
    return ControlKind::None;
}

std::string ComponentName(const QWidget* control)
{
    const QString name = control->objectName();
    return name.startsWith(QLatin1String("qt_")) ? std::string() : StdStr(name);
}

bool IsForm(const QWidget* control)
{
    const Qt::WindowType type = control->windowType();
    return control->isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

bool IsPassedOver(const QWidget* control)
{
    if (control->isWindow() && !IsForm(control))
        return true;
    return qobject_cast<const QLabel*>(control) || qobject_cast<const QLCDNumber*>(control)
           || qobject_cast<const QProgressBar*>(control);
}

bool HasOwnParts(const QWidget* control)
{
    return KindOf(control) != ControlKind::None;
}

void SetFormPlacement(QWidget* form, FormPlacement placement)
{
    form->setProperty(PlacementProperty, static_cast<int>(placement));
}

FormPlacement GetFormPlacement(const QWidget* form)
{
    return static_cast<FormPlacement>(IntProperty(form, PlacementProperty));
}

int GridFixedRows(const QTableWidget* grid)
{
    return IntProperty(grid, FixedRowsProperty);
}

int GridFixedCols(const QTableWidget* grid)
{
    return IntProperty(grid, FixedColsProperty);
}

void SetGridFixedRows(QTableWidget* grid, int count)
{
    SetFixed(grid, FixedRowsProperty, count, grid->rowCount(), "row");
}

void SetGridFixedCols(QTableWidget* grid, int count)
{
    SetFixed(grid, FixedColsProperty, count, grid->columnCount(), "column");
}

void SetGridRowCount(QTableWidget* grid, int count)
{
    count = std::max(0, count);
    if (GridFixedRows(grid) >= count)
        grid->setProperty(FixedRowsProperty, std::max(0, count - 1));
    grid->setRowCount(count);
}

void SetGridColCount(QTableWidget* grid, int count)
{
    count = std::max(0, count);
    if (GridFixedCols(grid) >= count)
        grid->setProperty(FixedColsProperty, std::max(0, count - 1));
    grid->setColumnCount(count);
}
