// SPDX-License-Identifier: GPL-3.0-or-later
// The name pattern matcher and the prepared lines of the pattern memo.
#include "app/NamePatterns.h"

#include <QPlainTextEdit>

#include <cstring>
#include <utility>

#include "util/D_Util.h"

namespace {

constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline void SplitAtFirstDot(std::string_view text, std::string_view& base, std::string_view& extension)
{
    const auto* dot = static_cast<const char*>(std::memchr(text.data(), '.', text.size()));
    if (!dot) {
        base = text;
        extension = {};
        return;
    }
    base = std::string_view(text.data(), static_cast<std::size_t>(dot - text.data()));
    extension = std::string_view(dot + 1, static_cast<std::size_t>(text.data() + text.size() - dot - 1));
}

// Fold compares in ASCII upper case; without it the characters must be equal.
// A pattern already in upper case needs only the text folded.
enum class Fold { None, Text, Both };

template <Fold F>
bool Fixed(std::string_view p, std::string_view s)
{
    if (p.size() != s.size())
        return false;
    for (std::string_view::size_type i = 0; i < p.size(); ++i) {
        if (p[i] == '?')
            continue;
        const char pc = F == Fold::Both ? UpperAscii(p[i]) : p[i];
        const char sc = F == Fold::None ? s[i] : UpperAscii(s[i]);
        if (pc != sc)
            return false;
    }
    return true;
}

// Only the first "*" (at star) is a wildcard; head and tail are matched at the
// two ends of s and may overlap.
template <Fold F>
bool PartAt(std::string_view p, std::string_view::size_type star, std::string_view s)
{
    if (star == std::string_view::npos)
        return Fixed<F>(p, s);
    if (p.size() == 1)
        return true;  // "*" alone
    const std::string_view head = p.substr(0, star);
    const std::string_view tail = p.substr(star + 1);
    const std::string_view sTail = tail.size() >= s.size() ? s : s.substr(s.size() - tail.size());
    return Fixed<F>(head, s.substr(0, head.size())) && Fixed<F>(tail, sTail);
}

template <Fold F>
bool Part(std::string_view p, std::string_view s)
{
    return PartAt<F>(p, p.find('*'), s);
}

PatternLines::Part Prepared(std::string_view side)
{
    using Part = PatternLines::Part;
    Part part;
    part.upper = AsciiUpper(std::string(side));
    part.star = part.upper.find('*');
    if (part.star != std::string::npos)
        part.kind = part.upper.size() == 1 ? Part::Anything : Part::AroundStar;
    else
        part.kind = part.upper.find('?') == std::string::npos ? Part::Exact : Part::Fixed;
    return part;
}

std::vector<std::string> MemoLines(const QPlainTextEdit* memo)
{
    std::vector<std::string> lines;
    QString text = memo->toPlainText();
    if (text.isEmpty())
        return lines;  // an empty memo has no lines, not one empty line
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines.push_back(line.toLocal8Bit().toStdString());
    return lines;
}

} // namespace

bool MatchesPattern(const std::string& pattern, const std::string& name)
{
    std::string_view patternBase, patternExt, nameBase, nameExt;
    SplitAtFirstDot(pattern, patternBase, patternExt);
    SplitAtFirstDot(name, nameBase, nameExt);
    return Part<Fold::Both>(patternBase, nameBase) && Part<Fold::Both>(patternExt, nameExt);
}

bool MatchPart(const std::string& p, const std::string& s)
{
    return Part<Fold::None>(p, s);
}

bool MatchFixed(const std::string& p, const std::string& s)
{
    return Fixed<Fold::None>(p, s);
}

bool PatternLines::Part::MatchesWithoutStar(std::string_view s) const
{
    return ::Fixed<Fold::Text>(upper, s);
}

bool PatternLines::Part::MatchesAroundStar(std::string_view s) const
{
    return PartAt<Fold::Text>(upper, star, s);
}

PatternLines& PatternLines::operator=(PatternLines&& other) noexcept
{
    if (this != &other) {
        Forget();
        memo_ = std::exchange(other.memo_, nullptr);
        changed_ = std::move(other.changed_);
        textChanged_ = std::move(other.textChanged_);
        destroyed_ = std::move(other.destroyed_);
        patterns_ = std::move(other.patterns_);
        everyName_ = other.everyName_;
    }
    return *this;
}

void PatternLines::Forget()
{
    QObject::disconnect(textChanged_);
    QObject::disconnect(destroyed_);
    memo_ = nullptr;
    changed_.reset();
}

const PatternLines& PatternLines::Read(const QPlainTextEdit* memo)
{
    if (memo == memo_ && changed_ && !*changed_)
        return *this;
    Forget();
    patterns_.clear();
    everyName_ = false;
    for (std::string& line : MemoLines(memo)) {
        std::string_view base, extension;
        SplitAtFirstDot(line, base, extension);
        Pattern pattern{{}, Prepared(base), Prepared(extension)};
        everyName_ = everyName_ || line == "*.*";
        pattern.line = std::move(line);
        patterns_.push_back(std::move(pattern));
    }
    memo_ = memo;
    changed_ = std::make_shared<bool>(false);
    // A document set into the memo later counts as a change of its text too.
    textChanged_ = QObject::connect(memo, &QPlainTextEdit::textChanged, [changed = changed_] { *changed = true; });
    destroyed_ = QObject::connect(memo, &QObject::destroyed, [changed = changed_] { *changed = true; });
    return *this;
}

const PatternLines::Pattern* PatternLines::FirstMatch(std::string_view name) const
{
    // The name is split once for all the patterns.
    std::string_view base, extension;
    SplitAtFirstDot(name, base, extension);
    for (const Pattern& pattern : patterns_)
        if (pattern.base.Matches(base) && pattern.extension.Matches(extension))
            return &pattern;
    return nullptr;
}
