// SPDX-License-Identifier: GPL-3.0-or-later
// The history of an editable combo box: its text and its item list, newest
// first, kept in a section of its own with quoted values.
#include "settings/D_Ini.h"

#include "util/D_Util.h"
#include "util/QtText.h"

#include <QComboBox>
#include <QSignalBlocker>

#include <stdexcept>

namespace {

bool Listed(const QComboBox* combo, const std::string& text)
{
    for (int i = 0; i < combo->count(); ++i)
        if (SameTextAscii(StdStr(combo->itemText(i)), text))
            return true;
    return false;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

void CheckCount(std::int32_t count)
{
    if (count < 0 || count > HistoryCountLimit)
        throw std::range_error("History count " + std::to_string(count) + " is outside 0 to "
                               + std::to_string(HistoryCountLimit));
}

// Changing the item list moves a combo box's current index and with it the
// edit text; the list is bookkeeping, so that happens unseen and the text the
// user sees stays as it was.
class ListEdit {
public:
    explicit ListEdit(QComboBox* combo) : combo_(combo), blocker_(combo), text_(combo->currentText()) {}
    ~ListEdit()
    {
        if (combo_->isEditable() && combo_->currentText() != text_)
            combo_->setEditText(text_);
    }

private:
    QComboBox* combo_;
    QSignalBlocker blocker_;
    QString text_;
};

}  // namespace

void AddToHistory(QComboBox* combo)
{
    const std::string text = StdStr(combo->currentText());
    if (text.empty() || Listed(combo, text))
        return;
    const ListEdit edit(combo);
    if (combo->count() >= HistoryLimit)
        combo->removeItem(HistoryLimit - 1);
    combo->insertItem(0, QStr(text));
}

void SaveHistory(IniFile* file, const std::string& section, QComboBox* combo)
{
    AddToHistory(combo);
    file->EraseSectionAndDuplicates(section);
    WriteStringIfChanged(file, section, "Current", Quoted(StdStr(combo->currentText())));
    const int count = combo->count();
    WriteIntegerIfChanged(file, section, "Count", count);
    CheckCount(count);
    for (int i = 0; i < count; ++i)
        WriteStringIfChanged(file, section, std::to_string(i), Quoted(StdStr(combo->itemText(i))));
}

void LoadHistory(const IniFile* file, const std::string& section, const std::string& fallback, QComboBox* combo)
{
    const std::int32_t count = ReadIniInteger(file, section, "Count", HistoryLimit - 1);
    if (count < 0 || count > HistoryCountLimit) {
        // The text is taken over before the list is refused.
        combo->setEditText(QStr(ReadIniString(file, section, "Current", std::string())));
        CheckCount(count);
    }
    {
        const ListEdit edit(combo);
        for (std::int32_t i = 0; i <= count; ++i) {
            const std::string item = ReadIniString(file, section, std::to_string(i), std::string());
            if (!item.empty() && !Listed(combo, item))
                combo->addItem(QStr(item));
        }
    }
    std::string text = ReadIniString(file, section, "Current", std::string());
    if (text.empty())
        text = fallback;
    combo->setEditText(QStr(text));
    AddToHistory(combo);
}
