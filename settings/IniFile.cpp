// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file object: each call reads the file, and each write that
// changes something replaces it atomically.
#include "settings/IniFile.h"

#include "settings/IniText.h"
#include "settings/IniTextFile.h"

#include <cstring>
#include <limits>
#include <optional>

// The copy of the file that the writes of a Transact call edit.
struct IniFile::Pending {
    IniText text;
    bool changed = false;
};

namespace {

// A value reads back as the Windows functions return it into their usual
// 2048-byte buffer.
constexpr std::size_t ValueLimit = 2047;

// The default of a read comes back as a stored value would: without trailing
// spaces, without one pair of enclosing quotes, cut to the buffer.
std::string AsStoredValue(const std::string& def)
{
    const auto end = def.find_last_not_of(' ');
    return IniUnquote(def.substr(0, end == std::string::npos ? 0 : end + 1)).substr(0, ValueLimit);
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool HasLineBreak(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// Refuses names and values that would end a line early or make a line read
// as something else (a section header, another key).
void CheckSection(const std::string& section)
{
    if (HasLineBreak(section))
        throw IniFileError("Section " + Quoted(section) + " cannot be stored: it holds a line break");
    if (section.find(']') != std::string::npos)
        throw IniFileError("Section " + Quoted(section) + " cannot be stored: it holds \"]\"");
}

void CheckKey(const std::string& key)
{
    if (key.empty())
        throw IniFileError("An empty key cannot be stored");
    if (HasLineBreak(key))
        throw IniFileError("Key " + Quoted(key) + " cannot be stored: it holds a line break");
    if (key.front() == '[')
        throw IniFileError("Key " + Quoted(key) + " cannot be stored: it begins with \"[\"");
    if (key.find('=') != std::string::npos)
        throw IniFileError("Key " + Quoted(key) + " cannot be stored: it holds \"=\"");
}

void CheckValue(const std::string& key, const std::string& value)
{
    if (HasLineBreak(value))
        throw IniFileError("The value of key " + Quoted(key) + " cannot be stored: it holds a line break");
}

// Decimal with an optional sign; "0x", "0X" or "$" after the sign marks hex,
// as the classic INI object reads integers. Anything else, or a number outside
// 32 bits, is no number.
std::optional<std::int32_t> ParseInteger(const std::string& text)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    int base = 10;
    if (text.compare(pos, 2, "0x") == 0 || text.compare(pos, 2, "0X") == 0) {
        base = 16;
        pos += 2;
    } else if (pos < text.size() && text[pos] == '$') {
        base = 16;
        pos += 1;
    }
    if (pos == text.size())
        return std::nullopt;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

IniFile::IniFile(std::string fileName)
    : fileName_(std::move(fileName)), path_(ResolveIniPath(fileName_))
{
}

IniFile::IniFile(const IniFile& other) : fileName_(other.fileName_), path_(other.path_)
{
}

IniFile& IniFile::operator=(const IniFile& other)
{
    if (this != &other) {
        fileName_ = other.fileName_;
        path_ = other.path_;
        pending_.reset();
    }
    return *this;
}

IniFile::~IniFile() = default;

IniText IniFile::Snapshot() const
{
    // A file that is missing or cannot be read gives every read its default.
    return pending_ ? pending_->text : IniText::Parse(ReadIniText(path_));
}

void IniFile::Update(const std::function<bool(IniText&)>& edit)
{
    if (pending_) {
        if (edit(pending_->text))
            pending_->changed = true;
        return;
    }
    for (;;) {
        IniFileUpdate update(path_);
        IniText text = IniText::Parse(update.Text());
        if (!edit(text) || update.Replace(text.Bytes()))
            return;
    }
}

void IniFile::Transact(const std::function<void()>& edits)
{
    if (pending_) {
        edits();
        return;
    }
    struct Done {
        std::unique_ptr<Pending>& pending;
        ~Done() { pending.reset(); }
    };
    for (;;) {
        IniFileUpdate update(path_);
        const Done done{pending_};
        pending_ = std::make_unique<Pending>(Pending{IniText::Parse(update.Text())});
        edits();
        if (!pending_->changed || update.Replace(pending_->text.Bytes()))
            return;
    }
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    const auto raw = Snapshot().RawValue(IniTrim(section), IniTrim(key));
    if (!raw)
        return AsStoredValue(def);
    return IniUnquote(*raw).substr(0, ValueLimit);
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string s = IniTrim(section);
    const std::string k = IniTrim(key);
    CheckSection(s);
    CheckKey(k);
    CheckValue(k, value);
    Update([&](IniText& text) { return text.SetValue(s, k, value); });
}

std::int32_t IniFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const
{
    const auto raw = Snapshot().RawValue(IniTrim(section), IniTrim(key));
    if (!raw)
        return def;
    return ParseInteger(IniUnquote(*raw).substr(0, ValueLimit)).value_or(def);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const
{
    return Snapshot().KeyNames(IniTrim(section));
}

std::vector<std::string> IniFile::ReadSectionValues(const std::string& section) const
{
    return Snapshot().KeyLines(IniTrim(section));
}

std::vector<std::string> IniFile::ReadSections() const
{
    return Snapshot().SectionNames();
}

void IniFile::EraseSection(const std::string& section)
{
    // Nothing to remove leaves the file untouched, and a missing file missing.
    const std::string s = IniTrim(section);
    Update([&](IniText& text) { return text.RemoveSection(s); });
}

void IniFile::EraseSectionAndDuplicates(const std::string& section)
{
    const std::string s = IniTrim(section);
    Update([&](IniText& text) { return text.RemoveEverySection(s); });
}

void IniFile::DeleteKey(const std::string& section, const std::string& key)
{
    const std::string s = IniTrim(section);
    const std::string k = IniTrim(key);
    Update([&](IniText& text) { return text.RemoveKey(s, k); });
}

bool IniFile::SectionExists(const std::string& section) const
{
    return Snapshot().HasSection(IniTrim(section));
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const
{
    return Snapshot().RawValue(IniTrim(section), IniTrim(key)).has_value();
}
