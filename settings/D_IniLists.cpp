// SPDX-License-Identifier: GPL-3.0-or-later
// The start-path list: a check-list box whose items and marks are both the
// user's data, kept as a numbered section and a section of marks.
#include "settings/D_Ini.h"

#include "util/QtText.h"
#include "widgets/CheckListBox.h"

namespace {

std::string CheckSection(const std::string& section)
{
    return section + " Checked";
}

}  // namespace

void SaveCheckList(IniFile* file, const std::string& section, CheckListBox* box)
{
    std::vector<std::string> items;
    for (const QString& item : box->items())
        items.push_back(StdStr(item));
    // The list and its marks are written together: a save that fails part way
    // leaves both as they were.
    file->Transact([&] {
        WriteSectionStrings(file, section, items);
        const std::string checks = CheckSection(section);
        file->EraseSectionAndDuplicates(checks);
        for (std::size_t i = 0; i < items.size(); ++i)
            if (box->isChecked(static_cast<int>(i)))
                WriteBoolIfChanged(file, checks, items[i], true);
    });
}

void RestoreCheckList(const IniFile* file, const std::string& section, CheckListBox* box)
{
    box->clear();
    std::vector<std::string> items;
    ReadSectionStrings(file, section, items);
    for (const std::string& item : items)
        box->addItem(QStr(item));
    const std::string checks = CheckSection(section);
    for (std::size_t i = 0; i < items.size(); ++i)
        box->setChecked(static_cast<int>(i), ReadIniBool(file, checks, items[i], false));
}
