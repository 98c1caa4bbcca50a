// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing and editing the lines of a profile file.
#include "settings/IniText.h"

namespace {

constexpr char Bom[] = "\xEF\xBB\xBF";
constexpr char NewLine[] = "\r\n";

// The Windows key list is one buffer of this size holding each name followed
// by a NUL; names that would not fit are left out whole, never cut, so that no
// caller mistakes a cut name for a key.
constexpr std::size_t KeyListLimit = 16384;

// ^Z (0x1A) counts as a blank: DOS-era editors end lines and files with it.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

char FoldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool IniSameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

std::string IniTrim(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string IniUnquote(const std::string& text)
{
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

namespace {

bool NeedsListQuotes(const std::string& entry)
{
    if (entry.empty())
        return false;
    return IsBlank(entry.front()) || IsBlank(entry.back()) ||
           (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"');
}

}  // namespace

std::string IniListValue(const std::string& entry)
{
    return NeedsListQuotes(entry) ? '"' + entry + '"' : entry;
}

std::string IniListEntry(const std::string& stored)
{
    if (stored.size() < 2 || stored.front() != '"' || stored.back() != '"')
        return stored;
    std::string inner = stored.substr(1, stored.size() - 2);
    return NeedsListQuotes(inner) ? inner : stored;
}

IniText::Line IniText::Classify(std::string text, std::string eol)
{
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::string trimmed = IniTrim(line.text);
    if (trimmed.empty())
        return line;
    if (trimmed.front() == '[') {
        // The name runs to the last "]"; a "[" without one is an ordinary line.
        const auto close = trimmed.rfind(']');
        if (close != std::string::npos && close > 0) {
            line.kind = Kind::Header;
            line.name = IniTrim(trimmed.substr(1, close - 1));
            return line;
        }
    }
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos) {
        // A key without a value: it reads as missing, yet hides a later key of
        // its name, and a write gives it its value.
        line.kind = Kind::Bare;
        line.name = trimmed;
        return line;
    }
    line.kind = Kind::Key;
    line.name = IniTrim(trimmed.substr(0, equals));
    line.value = IniTrim(trimmed.substr(equals + 1));
    return line;
}

IniText IniText::Parse(const std::string& bytes)
{
    IniText result;
    std::size_t pos = 0;
    if (bytes.compare(0, 3, Bom) == 0) {
        result.bom_ = Bom;
        pos = 3;
    }
    // CR LF, LF and a lone CR each end a line.
    while (pos < bytes.size()) {
        const auto stop = bytes.find_first_of("\r\n", pos);
        if (stop == std::string::npos) {
            result.lines_.push_back(Classify(bytes.substr(pos), ""));
            break;
        }
        const std::size_t eolLength = (bytes[stop] == '\r' && stop + 1 < bytes.size() && bytes[stop + 1] == '\n') ? 2 : 1;
        result.lines_.push_back(Classify(bytes.substr(pos, stop - pos), bytes.substr(stop, eolLength)));
        pos = stop + eolLength;
    }
    return result;
}

std::string IniText::Bytes() const
{
    std::string bytes = bom_;
    // An edit can bring a line that begins like a byte-order mark (UTF-8 or
    // UTF-16) to the top of a file without one; a UTF-8 mark in front keeps
    // that line as it stands instead of letting a reader take its first bytes
    // for a mark.
    if (bom_.empty() && !lines_.empty()) {
        const std::string& top = lines_.front().text;
        if (top.compare(0, 3, Bom) == 0 || top.compare(0, 2, "\xFF\xFE") == 0 || top.compare(0, 2, "\xFE\xFF") == 0)
            bytes = Bom;
    }
    for (const auto& line : lines_) {
        bytes += line.text;
        bytes += line.eol;
    }
    return bytes;
}

std::optional<IniText::Range> IniText::Find(const std::string& section) const
{
    std::size_t firstHeader = 0;
    while (firstHeader < lines_.size() && lines_[firstHeader].kind != Kind::Header)
        ++firstHeader;
    if (section.empty())
        return Range{std::nullopt, 0, firstHeader};

    for (std::size_t i = firstHeader; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Header || !IniSameName(lines_[i].name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && lines_[end].kind != Kind::Header)
            ++end;
        return Range{i, i + 1, end};
    }
    return std::nullopt;
}

bool IniText::IsKeyLike(const Line& line)
{
    return line.kind == Kind::Key || line.kind == Kind::Bare;
}

bool IniText::IsListed(const Line& line)
{
    // A comment is a line whose first non-blank character is ";". Looked up by
    // its exact name it is found like any key; no list shows it.
    return IsKeyLike(line) && (line.name.empty() || line.name.front() != ';');
}

std::optional<std::size_t> IniText::FindKey(const Range& range, const std::string& key) const
{
    for (std::size_t i = range.begin; i < range.end; ++i)
        if (IsKeyLike(lines_[i]) && IniSameName(lines_[i].name, key))
            return i;
    return std::nullopt;
}

bool IniText::HasSection(const std::string& section) const
{
    const auto range = Find(section);
    if (!range)
        return false;
    if (range->header)
        return true;
    // The lines before the first header form a section only when there are some.
    for (std::size_t i = range->begin; i < range->end; ++i)
        if (lines_[i].kind != Kind::Blank)
            return true;
    return false;
}

std::optional<std::string> IniText::RawValue(const std::string& section, const std::string& key) const
{
    const auto range = Find(section);
    if (!range)
        return std::nullopt;
    const auto at = FindKey(*range, key);
    if (!at || lines_[*at].kind == Kind::Bare)
        return std::nullopt;
    return lines_[*at].value;
}

std::vector<std::string> IniText::KeyNames(const std::string& section) const
{
    std::vector<std::string> names;
    const auto range = Find(section);
    if (!range)
        return names;
    std::size_t used = 0;
    for (std::size_t i = range->begin; i < range->end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Kind::Key || !IsListed(line))
            continue;
        // Each name takes its NUL; the list's closing NUL takes one more.
        if (used + line.name.size() + 1 + 1 > KeyListLimit)
            break;
        used += line.name.size() + 1;
        names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> IniText::KeyLines(const std::string& section) const
{
    std::vector<std::string> result;
    const auto range = Find(section);
    if (!range)
        return result;
    for (std::size_t i = range->begin; i < range->end; ++i) {
        const Line& line = lines_[i];
        if (!IsListed(line))
            continue;
        if (line.kind == Kind::Key)
            result.push_back(line.name + "=" + line.value);
        else
            result.push_back(line.name);
    }
    return result;
}

std::vector<std::string> IniText::SectionNames() const
{
    std::vector<std::string> names;
    for (const auto& line : lines_)
        if (line.kind == Kind::Header && !line.name.empty())
            names.push_back(line.name);
    return names;
}

void IniText::Insert(std::size_t at, const std::string& text)
{
    // A line put after a last line that has no ending gives that line one.
    if (at == lines_.size() && at > 0 && lines_[at - 1].eol.empty())
        lines_[at - 1].eol = NewLine;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Classify(text, NewLine));
}

bool IniText::SetValue(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string keyLine = key + "=" + value;
    const auto range = Find(section);
    if (!range) {
        // A new section goes at the end, set apart from the one before by a blank line.
        if (!lines_.empty() && lines_.back().kind != Kind::Blank)
            Insert(lines_.size(), "");
        Insert(lines_.size(), "[" + section + "]");
        Insert(lines_.size(), keyLine);
        return true;
    }
    if (const auto at = FindKey(*range, key)) {
        Line& line = lines_[*at];
        if (line.kind == Kind::Key && line.value == value)
            return false;
        // The spelling already in the file stays; the line's own ending too.
        line = Classify(line.name + "=" + value, line.eol);
        return true;
    }
    // A new key follows the section's last key, so that blank lines and
    // comments that lead into the next section stay where they are.
    std::size_t at = range->header ? *range->header + 1 : range->begin;
    for (std::size_t i = range->begin; i < range->end; ++i)
        if (IsListed(lines_[i]))
            at = i + 1;
    Insert(at, keyLine);
    return true;
}

bool IniText::RemoveKey(const std::string& section, const std::string& key)
{
    const auto range = Find(section);
    if (!range)
        return false;
    const auto at = FindKey(*range, key);
    if (!at)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
    return true;
}

bool IniText::RemoveSection(const std::string& section)
{
    if (!HasSection(section))
        return false;
    const auto range = Find(section);
    const std::size_t first = range->header ? *range->header : range->begin;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    return true;
}

bool IniText::RemoveEverySection(const std::string& section)
{
    bool removed = false;
    while (RemoveSection(section))
        removed = true;
    return removed;
}
