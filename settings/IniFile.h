// The settings file object: a profile (INI) file read and written key by key,
// with the semantics of the Windows profile functions, but safe: every write is
// atomic and nothing can inject lines or sections. No copy of the file is kept;
// every read reads the file and every write rewrites it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A write or erase the file system refused, or a key or value that would break
// the file's structure. The message names the file (or the key) and the reason.
class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IniFile {
public:
    // A name without a directory part is looked for in $XDG_CONFIG_HOME
    // (default ~/.config); any other name is used as given.
    explicit IniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }  // as given
    const std::string& Path() const { return path_; }          // as resolved

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    void WriteBool(const std::string& section, const std::string& key, bool value);

    std::vector<std::string> ReadSection(const std::string& section) const;        // key names, file order
    std::vector<std::string> ReadSectionValues(const std::string& section) const;  // key=value lines, file order
    std::vector<std::string> ReadSections() const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

private:
    std::string fileName_;
    std::string path_;
};
