// SPDX-License-Identifier: GPL-3.0-or-later
// The completion codes more than one client back end gives, and the one table
// of code texts behind every back end's error-text library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "netware/NWClientBackend.h"

constexpr NWCCODE ERR_IO_FAILURE = 0x8983;            // reading or deleting failed on the server
constexpr NWCCODE ERR_NO_SUCH_DELETED_FILE = 0x89F1;  // purge of a record that is not the one listed

struct CompletionCodeText {
    NWCCODE code;
    const char* text;
};

// The shared table's text for a code; nullptr where it has none.
const char* SharedCodeText(nuint32 code);

// The code of a back end's last failed call and what it failed on (a file, a
// server), which the text of that code then names: "<text>: <subject>".
struct LastFailure {
    NWCCODE code = SUCCESSFUL;
    std::string subject;
};

// An error-text library over the shared table and the back end's own texts,
// which come first (its own codes, or its own words for a shared code). Codes
// neither knows read "Unknown error"; so does every code without NWstrerror.
std::unique_ptr<NWErrorTextLibrary> MakeErrorTextLibrary(std::vector<CompletionCodeText> ownTexts = {},
                                                         bool hasStrerror = true, LastFailure lastFailure = {});
