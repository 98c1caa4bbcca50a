// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file object: a profile (INI) file read and written key by key,
// with the semantics of the Windows profile functions, but safe: every write is
// atomic and nothing can inject lines or sections. No copy of the file is kept
// (but inside Transact); every read reads the file and every write rewrites it.
//
// Reading: section and key names match without regard to ASCII case and to the
// blanks (space, tab, VT, FF, ^Z) around them; the first of duplicate sections
// and keys counts. A value is the text after the first "=", trimmed, with one
// pair of enclosing matching quotes removed, and comes back up to 2047
// characters; a default comes back the same way (trailing spaces and one pair
// of quotes removed). Lines before the first header form the section "". A
// line whose first non-blank character is ";" is a comment: no list shows it,
// though its exact name still reads it ("#" is no comment). A line without "="
// is a key without a value: it reads as missing, hides a later key of its name,
// is left out of the key list and shown as it stands in the key=value lines.
// CR LF, LF and a lone CR all end lines; a UTF-8 byte-order mark is skipped. A
// file that begins with a UTF-16 byte-order mark is read as UTF-16 and written
// back as UTF-16. A missing or unreadable file gives every read its default.
//
// Writing: an update rewrites only the key's own line (keeping the spelling of
// its name and its line ending); every other line keeps its bytes. A new key
// follows the last key of its section; a new section goes at the end of the
// file, after a blank line. Written lines end with CR LF. A write that changes
// nothing, and a delete or erase that finds nothing, leave the file untouched
// (a missing file is then not created), and so does one that would leave the
// file's bytes as they are. The first write creates a missing file and its
// missing folders (mode 0700). A replaced file keeps its mode, owner and group;
// one this user may write but not replace so (a shared file in a shared folder)
// is rewritten in place instead. A file without write permission bits is
// refused, also for root. Each write holds the file's lock (a sidecar
// "<file>.lock") from its read to its rename, so that two programs writing at
// once lose none of each other's keys.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A write or erase the file system refused, or a key or value that would break
// the file's structure. The message names the file (or the key) and the reason.
class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IniText;

class IniFile {
public:
    // A name without a directory part is looked for in $XDG_CONFIG_HOME
    // (default ~/.config); any other name is used as given.
    explicit IniFile(std::string fileName);
    // A copy is another object on the same file, outside any Transact.
    IniFile(const IniFile& other);
    IniFile& operator=(const IniFile& other);
    ~IniFile();

    const std::string& FileName() const { return fileName_; }  // as given
    const std::string& Path() const { return path_; }          // as resolved

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Refuses (IniFileError naming it) a key that is empty, begins with "[" or
    // holds "=", a section holding "]", and any name or value holding a line
    // break or NUL; raises IniFileError naming the file and the reason when the
    // file cannot be read or replaced, the old file then staying as it was.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Decimal with an optional sign, or hex after "0x" or "$"; a value that is
    // no 32-bit number gives the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Key names in file order, as many whole names as fit in the Windows key
    // list of 16384 characters (each name and its NUL, and a closing NUL); the
    // empty name of a "=value" line is one of them.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // Key lines as "name=value" (quotes kept) in file order; a line without "="
    // comes back trimmed, as it stands.
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    std::vector<std::string> ReadSections() const;
    void EraseSection(const std::string& section);  // the first section of the name
    // Every section of the name: what must go before a section is written anew,
    // or a duplicate that reads never see would come to the top.
    void EraseSectionAndDuplicates(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);
    bool SectionExists(const std::string& section) const;  // a header of that name
    bool ValueExists(const std::string& section, const std::string& key) const;

    // Runs edits with every read and write of this object going to one copy of
    // the file, held under the file's lock, and replaces the file once at the
    // end: the writes land all together, or, when edits raises, none of them.
    // Nested calls join the outer one. In the rare case that another program
    // created the file meanwhile, edits runs again on its contents.
    void Transact(const std::function<void()>& edits);

private:
    struct Pending;
    IniText Snapshot() const;
    // One locked read-modify-write; edit says whether it changed the text.
    void Update(const std::function<bool(IniText&)>& edit);

    std::string fileName_;
    std::string path_;
    std::unique_ptr<Pending> pending_;
};
