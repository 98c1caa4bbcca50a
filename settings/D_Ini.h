// SPDX-License-Identifier: GPL-3.0-or-later
// Unit D_Ini: keeps the user's settings from one run to the next by storing
// the state of window controls in the settings file and restoring it.
// The routines know nothing of any particular window: the walk decides by each
// control's kind (see ControlKinds.h for the Qt classes) what to store under
// keys formed from the control's name. No state is kept between calls.
//
// Errors: SaveBounds and RestoreBounds never fail. Every other routine passes
// IniFileError (a write or erase the file system refused), std::range_error (a
// combo-box history beyond 255 entries) and std::invalid_argument (a stored
// value a control refuses) to its caller, ending at that point.
//
// Restored values go through each control's ordinary setter, so its change
// signals fire as for a change by the user (toggled, valueChanged,
// itemIndexChanged, textChanged, ...; not clicked), and only when the value
// really changes.
#pragma once

#include "settings/ControlKinds.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <string>
#include <vector>

class CheckListBox;
class QComboBox;
class QSplitter;
class QWidget;

// ---- keys and values --------------------------------------------------------

// The key without "[" and "]"; every key the unit writes or reads passes here.
std::string IniKey(const std::string& key);

// The writers do nothing for a key that is empty after IniKey, or that the
// settings file cannot hold as a key at all (one holding "=" or a line
// break, as an item text may): such a value cannot be stored or read back.
void WriteStringIfChanged(IniFile* file, const std::string& section, const std::string& key, const std::string& text);
void WriteIntegerIfChanged(IniFile* file, const std::string& section, const std::string& key, std::int32_t value);
// Written whenever the key is missing, so that after a save a flag is present.
void WriteBoolIfChanged(IniFile* file, const std::string& section, const std::string& key, bool flag);

// Reads with the key through IniKey; the default when it is missing.
std::string ReadIniString(const IniFile* file, const std::string& section, const std::string& key,
                          const std::string& def);
std::int32_t ReadIniInteger(const IniFile* file, const std::string& section, const std::string& key, std::int32_t def);
bool ReadIniBool(const IniFile* file, const std::string& section, const std::string& key, bool def);

// Replaces the section by one numbered key per non-empty entry.
void WriteSectionStrings(IniFile* file, const std::string& section, const std::vector<std::string>& list);
// Replaces the list by the values of the section in file order; the keys are
// not interpreted, so a hand-reordered section keeps its order and gaps close.
void ReadSectionStrings(const IniFile* file, const std::string& section, std::vector<std::string>& list);

// ---- combo-box history --------------------------------------------------------

constexpr int HistoryLimit = 31;       // entries an editable combo box keeps
constexpr int HistoryCountLimit = 255; // "Count" is an 8-bit quantity

// Puts the combo box's text first in its item list unless it is empty or
// listed already (letter case ignored); a full list drops its entry 30.
void AddToHistory(QComboBox* combo);
void SaveHistory(IniFile* file, const std::string& section, QComboBox* combo);
void LoadHistory(const IniFile* file, const std::string& section, const std::string& fallback, QComboBox* combo);

// ---- bounds and splitters -----------------------------------------------------------

// Name.Top, .Left, .Width, .Height in the section (the control's name when
// the section is empty). A window's position is relative to the screen.
void SaveBounds(IniFile* file, const std::string& section, QWidget* control);
// Applies each stored bound that is not 0. A form whose placement is not
// FormPlacement::Designed is left where it places itself.
void RestoreBounds(const IniFile* file, const std::string& section, QWidget* control);

// A vertical splitter stores Name.Height of each named pane, a horizontal one
// Name.Width.
void SaveSplitterSizes(IniFile* file, const std::string& section, QSplitter* splitter);
// Gives the panes those sizes back; part of the restore walk, because a pane
// of a splitter takes its size from the splitter, not from resize().
void RestoreSplitterSizes(const IniFile* file, const std::string& section, QSplitter* splitter);

// ---- the walk -----------------------------------------------------------------

// Stores the state of the container and every control below it in the
// section; list-like controls get sub-sections "<section> <Name>", editable
// combo boxes "History <Name>". A form gets the section "<section> <Name>"
// for itself and everything below it.
void SaveControlStates(IniFile* file, const std::string& section, QWidget* container);
// Restores that state; Name.Width and Name.Height are read for every named
// control as well. Without a settings file it does nothing.
void RestoreControlStates(const IniFile* file, const std::string& section, QWidget* container);

// ---- a top-level check-list box (the start paths) ----------------------------------

// Items as numbered keys of the section; the marks as "<item>=1" lines in
// "<section> Checked", the item through IniKey.
void SaveCheckList(IniFile* file, const std::string& section, CheckListBox* box);
void RestoreCheckList(const IniFile* file, const std::string& section, CheckListBox* box);
