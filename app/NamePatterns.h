// File name patterns: "*" and "?" in the base and the extension (split at the
// first "."), compared in ASCII upper case, and the pattern memo's lines read
// and prepared once for the files of a job.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class QPlainTextEdit;
class QTextDocument;

bool MatchesPattern(const std::string& pattern, const std::string& name);
// The part matcher: only the first "*" is a wildcard, head and tail may overlap.
bool MatchPart(const std::string& p, const std::string& s);
// Same length, and every character equal or "?".
bool MatchFixed(const std::string& p, const std::string& s);

// The pattern memo's lines, read again only when the memo has been edited, so
// that the conditions follow the memo live without re-reading it per file.
class PatternLines {
public:
    // One side of a pattern (base or extension) in upper case, with its first
    // "*" found in advance.
    struct Part {
        std::string upper;
        std::size_t star = std::string::npos;
        bool Matches(std::string_view s) const
        {
            if (star == std::string::npos)
                return MatchesWithoutStar(s);
            return (star == 0 && upper.size() == 1) || MatchesAroundStar(s);  // "*" alone matches anything
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

    // Reads the memo when it is another memo or has been edited since.
    const PatternLines& Read(const QPlainTextEdit* memo);
    const std::vector<Pattern>& Patterns() const { return patterns_; }
    bool Empty() const { return patterns_.empty(); }
    // Some line is exactly "*.*".
    bool MatchesEveryName() const { return everyName_; }
    // The first pattern, in line order, that the name matches; nullptr if none.
    const Pattern* FirstMatch(std::string_view name) const;

private:
    const QPlainTextEdit* memo_ = nullptr;
    const QTextDocument* document_ = nullptr;
    int revision_ = -1;
    std::vector<Pattern> patterns_;
    bool everyName_ = false;
};
