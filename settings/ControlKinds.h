// SPDX-License-Identifier: GPL-3.0-or-later
// How the control kinds that the settings walk knows map onto Qt widgets, and
// the few control properties Qt has no place for (a form's placement, a
// grid's fixed rows and columns).
//
//   kind                          Qt class                 value stored
//   single-line edit              QLineEdit                text
//   combo box, drop-down w/ hist. QComboBox, editable      "History <Name>" section
//   combo box, pick-only list     QComboBox, not editable  text of the chosen item
//   (any other combo style)       does not exist in Qt
//   spin edit                     QSpinBox                 value
//   radio group                   RadioGroup               itemIndex (-1 none)
//   track bar                     QSlider                  value
//   check box                     QCheckBox                1 only when fully checked;
//                                                          partially checked is 0
//   check-list box                CheckListBox             items with marks
//   memo                          QPlainTextEdit           lines; isReadOnly() is
//                                                          the read-only flag
//   string grid                   QTableWidget             cells; fixed counts below
//   splitter                      QSplitter                sizes of its panes
//
// A control is any QWidget child; the walk enters every one of them except
//  - display-only widgets (QLabel, QLCDNumber, QProgressBar), passed over;
//  - popups and tool tips, which are windows but not forms;
//  - the inside of a control that matched a kind: the line edit of a spin or
//    combo box, a memo's or grid's viewport and scroll bars, a radio group's
//    buttons, a check-list box's list are parts of one control, not controls.
// A control's name is its objectName(); Qt names its own internal widgets
// "qt_...", and those count as unnamed. A form is a top-level window or dialog.
//
// String grid: the fixed rows and columns are the leading rows and columns of
// the table, counted in rowCount()/columnCount() as the grid's own header
// cells; their counts live in the dynamic properties "FixedRows" and
// "FixedCols". A fixed count must stay below the row (column) count.
#pragma once

#include <string>

class QWidget;
class QTableWidget;

enum class ControlKind {
    None,
    Edit,
    ComboHistory,  // editable combo box
    ComboList,     // pick-only combo box
    SpinEdit,
    RadioGroup,
    TrackBar,
    CheckBox,
    CheckListBox,
    Memo,
    StringGrid,
};

ControlKind KindOf(const QWidget* control);

// The name the settings file uses for the control; empty when it has none.
std::string ComponentName(const QWidget* control);

bool IsForm(const QWidget* control);
// Not a control of the walk at all: neither stored nor entered.
bool IsPassedOver(const QWidget* control);
// The walk does not enter the children of a control that matched a kind.
bool HasOwnParts(const QWidget* control);

// Where a form goes when it is shown. RestoreBounds puts a Designed form
// where it was saved and leaves every other placement to the form itself.
enum class FormPlacement { Designed, ScreenCenter };
void SetFormPlacement(QWidget* form, FormPlacement placement);
FormPlacement GetFormPlacement(const QWidget* form);  // Designed unless set

int GridFixedRows(const QTableWidget* grid);
int GridFixedCols(const QTableWidget* grid);
// Both raise std::invalid_argument for a negative count or one not below the
// row (column) count; 0 is always accepted.
void SetGridFixedRows(QTableWidget* grid, int count);
void SetGridFixedCols(QTableWidget* grid, int count);
// Row and column counts of at least 0; a fixed count that would no longer fit
// shrinks to one below the new count.
void SetGridRowCount(QTableWidget* grid, int count);
void SetGridColCount(QTableWidget* grid, int count);
