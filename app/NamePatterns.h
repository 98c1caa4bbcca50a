// SPDX-License-Identifier: GPL-3.0-or-later
// File name patterns: "*" and "?" in the base and the extension (split at the
// first "."), compared in ASCII upper case, and the pattern memo's lines read
// and prepared once for the files of a job.
#pragma once

#include <QMetaObject>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QPlainTextEdit;

bool MatchesPattern(const std::string& pattern, const std::string& name);
// The part matcher: only the first "*" is a wildcard, head and tail may overlap.
bool MatchPart(const std::string& p, const std::string& s);
// Same length, and every character equal or "?".
bool MatchFixed(const std::string& p, const std::string& s);

// The pattern memo's lines, read again only when the memo has been edited, so
// that the conditions follow the memo live without re-reading it per file.
class PatternLines {
public:
    PatternLines() = default;
    PatternLines(const PatternLines&) = delete;
    PatternLines& operator=(const PatternLines&) = delete;
    PatternLines(PatternLines&& other) noexcept { *this = std::move(other); }
    PatternLines& operator=(PatternLines&& other) noexcept;
    ~PatternLines() { Forget(); }

    // One side of a pattern (base or extension) in upper case, with its first
    // "*" found in advance and the kind of test it needs.
    struct Part {
        enum Kind : unsigned char {
            Anything,    // "*" alone
            Exact,       // neither "*" nor "?": the text folded must equal it
            Fixed,       // "?" but no "*"
            AroundStar,  // head and tail around the first "*"
        };
        std::string upper;
        std::size_t star = std::string::npos;
        Kind kind = Exact;

        // The kinds most patterns are, such as "*.TMP", are tested inline.
        bool Matches(std::string_view s) const
        {
            switch (kind) {
            case Anything: return true;
            case Exact: return s.size() == upper.size() && EqualsFolded(s);
            case Fixed: return MatchesWithoutStar(s);
            default: return MatchesAroundStar(s);
            }
        }
        bool EqualsFolded(std::string_view s) const
        {
            for (std::size_t i = 0; i < s.size(); ++i) {
                const char c = s[i] >= 'a' && s[i] <= 'z' ? static_cast<char>(s[i] - 'a' + 'A') : s[i];
                if (c != upper[i])
                    return false;
            }
            return true;
        }
        bool MatchesWithoutStar(std::string_view s) const;
        bool MatchesAroundStar(std::string_view s) const;
    };
    // A line as typed, and its two sides.
    struct Pattern {
        std::string line;
        Part base;
        Part extension;
    };

    // Reads the memo when it is another memo or has changed since.
    const PatternLines& Read(const QPlainTextEdit* memo);
    const std::vector<Pattern>& Patterns() const { return patterns_; }
    bool Empty() const { return patterns_.empty(); }
    // Some line is exactly "*.*".
    bool MatchesEveryName() const { return everyName_; }
    // The first pattern, in line order, that the name matches; nullptr if none.
    const Pattern* FirstMatch(std::string_view name) const;

private:
    void Forget();

    const QPlainTextEdit* memo_ = nullptr;
    // Set by the memo when its text changes or it goes: asking the memo for
    // its document's revision would cost more than the match of a name.
    std::shared_ptr<bool> changed_;
    QMetaObject::Connection textChanged_;
    QMetaObject::Connection destroyed_;
    std::vector<Pattern> patterns_;
    bool everyName_ = false;
};
