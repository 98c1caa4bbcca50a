// SPDX-License-Identifier: GPL-3.0-or-later
// A settings file in a scratch folder for the D_Ini tests, with its exact
// bytes and its sections at hand.
#pragma once

#include "IniFileTestSupport.h"
#include "settings/IniFile.h"

#include <memory>

class SettingsFileTest : public IniScratch {
protected:
    void SetUp() override
    {
        IniScratch::SetUp();
        ini = std::make_unique<IniFile>(PathOf("morvane.ini"));
    }

    std::string FileBytes() const { return Bytes("morvane.ini"); }
    void PutFile(const std::string& bytes) const { Put("morvane.ini", bytes); }
    std::vector<std::string> Section(const std::string& section) const { return ini->ReadSectionValues(section); }

    std::unique_ptr<IniFile> ini;
};
