// SPDX-License-Identifier: GPL-3.0-or-later
// The name pattern matcher: the pattern memo's lines prepared once (the fast
// path a job uses per file) must pick the same first pattern for a name as the
// plain matcher tried line by line.
//
// Input: the name, a newline, then the memo's text.
#include "app/NamePatterns.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

QPlainTextEdit* g_memo = nullptr;
PatternLines* g_lines = nullptr;

void Fail(const char* what, const std::string& name)
{
    std::fprintf(stderr, "%s for the name \"%s\"\n", what, name.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(*argc, *argv);
    g_memo = new QPlainTextEdit;
    g_lines = new PatternLines;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto newline = input.find('\n');
    const std::string name = input.substr(0, newline);
    const std::string memo = newline == std::string::npos ? std::string() : input.substr(newline + 1);

    g_memo->setPlainText(QString::fromLocal8Bit(memo.data(), static_cast<qsizetype>(memo.size())));
    const PatternLines& lines = g_lines->Read(g_memo);

    // The prepared lines follow the memo as it now stands.
    const QString text = g_memo->toPlainText();
    const auto typed = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    if (static_cast<qsizetype>(lines.Patterns().size()) != typed.size())
        Fail("the prepared lines are not the memo's lines", name);
    for (qsizetype i = 0; i < typed.size(); ++i)
        if (lines.Patterns()[static_cast<std::size_t>(i)].line != typed[i].toLocal8Bit().toStdString())
            Fail("a prepared line is not the memo's line", name);

    const PatternLines::Pattern* expected = nullptr;
    for (const auto& pattern : lines.Patterns()) {
        if (MatchesPattern(pattern.line, name)) {
            expected = &pattern;
            break;
        }
    }
    if (lines.FirstMatch(name) != expected)
        Fail("the prepared patterns and the plain matcher disagree", name);
    if (lines.MatchesEveryName() && !expected)
        Fail("\"*.*\" is in the memo but matches nothing", name);
    return 0;
}
