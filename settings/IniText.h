// SPDX-License-Identifier: GPL-3.0-or-later
// The text of a profile (INI) file held as its lines, read by the rules of the
// Windows profile functions, and the edits a write makes: each edit touches only
// the lines it must, so every other line keeps its bytes and its line ending.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Compares two names the way profile files do: only ASCII letters fold.
bool IniSameName(const std::string& a, const std::string& b);

// Removes the blanks a profile reader ignores (space, tab, VT, FF, ^Z) at both ends.
std::string IniTrim(const std::string& text);

// Removes one pair of enclosing quotes (" or ') when the text has at least two
// characters and begins and ends with the same quote character.
std::string IniUnquote(const std::string& text);

// A list entry (a memo line, a start path) as it is stored, so that a reader
// of list values gives it back as typed: an entry with blanks at either end,
// or one that itself begins and ends with a double quote, is wrapped in double
// quotes; every other entry is stored as it is.
std::string IniListValue(const std::string& entry);
// The entry a stored list value holds: one pair of enclosing double quotes is
// removed only where IniListValue would have put it, so values written without
// it read as they always did.
std::string IniListEntry(const std::string& stored);

class IniText {
public:
    static IniText Parse(const std::string& bytes);
    std::string Bytes() const;

    bool HasSection(const std::string& section) const;
    // The trimmed text after the first "=" of the key's line, quotes kept;
    // none for a key line without "=".
    std::optional<std::string> RawValue(const std::string& section, const std::string& key) const;
    // Comments (a first non-blank ";") are in neither list; a line without "="
    // is only in the second, as it stands.
    std::vector<std::string> KeyNames(const std::string& section) const;   // names, file order
    std::vector<std::string> KeyLines(const std::string& section) const;   // key=value lines, file order
    std::vector<std::string> SectionNames() const;

    // The edits return whether the text changed. Names are expected trimmed and
    // checked for characters that would break the file's structure.
    bool SetValue(const std::string& section, const std::string& key, const std::string& value);
    bool RemoveKey(const std::string& section, const std::string& key);
    bool RemoveSection(const std::string& section);          // the first of that name
    bool RemoveEverySection(const std::string& section);     // duplicates too

private:
    // Bare: a line in a section without "=", a key that has no value.
    enum class Kind { Blank, Header, Key, Bare };
    struct Line {
        std::string text;   // without its line ending
        std::string eol;    // "\r\n", "\n", "\r", or "" for a last line without one
        Kind kind = Kind::Blank;
        std::string name;   // section name of a header, key name of a key or bare line
        std::string value;  // key lines: the trimmed text after the first "="
    };
    // A section's lines: its header (none for the lines before the first
    // header) and the body up to the next header.
    struct Range {
        std::optional<std::size_t> header;
        std::size_t begin = 0;
        std::size_t end = 0;
    };

    static Line Classify(std::string text, std::string eol);
    static bool IsKeyLike(const Line& line);
    static bool IsListed(const Line& line);
    std::optional<Range> Find(const std::string& section) const;
    std::optional<std::size_t> FindKey(const Range& range, const std::string& key) const;
    void Insert(std::size_t at, const std::string& text);

    std::string bom_;
    std::vector<Line> lines_;
};
