// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/Readme.h"

#include "util/FileText.h"
#include "util/PathParts.h"
#include "util/ProgramFiles.h"
#include "util/QtText.h"

#include <QPlainTextEdit>
#include <filesystem>
#include <optional>

namespace {

bool IsRegularFile(const std::string& fileName)
{
    std::error_code error;
    return std::filesystem::is_regular_file(fileName, error) && !error;
}

// Only regular files are read: a directory counts as missing, and a device or
// pipe of that name could block the window forever.
std::optional<std::string> ReadTextFile(const std::string& fileName)
{
    std::string content;
    if (ReadFileText(fileName, content) != 0)
        return std::nullopt;
    return content;
}

// CR LF, lone LF and lone CR all end a line; a final line break does not start
// another (empty) line.
QString AsMemoText(const std::string& content)
{
    QString text = QStr(content);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

} // namespace

void LoadMemoFile(QPlainTextEdit* memo, const std::string& fileName)
{
    if (!memo)
        return;
    const QString notFound = QStringLiteral("Could not find ") + QStr(fileName);
    if (memo->document()->isEmpty())
        memo->setPlainText(notFound);
    else
        memo->appendPlainText(notFound);
    try {
        if (auto content = ReadTextFile(fileName))
            memo->setPlainText(AsMemoText(*content));
    } catch (...) {
        // The not-found line stays: an unreadable read-me is not worth a message.
    }
}

std::string ReadmeFileName()
{
    const std::string beside = ProgramFileExt("txt");
    if (IsRegularFile(beside))
        return beside;
    // The build defines where the data folder lies as seen from the program's
    // folder, so an installation moved as a whole to another prefix still
    // finds its read-me.
    const std::filesystem::path installed = std::filesystem::path(ExtractFilePath(beside)) /
                                            MORVANE_README_DIR_FROM_PROGRAM / ExtractFileName(beside);
    const std::string name = installed.lexically_normal().string();
    return IsRegularFile(name) ? name : beside;
}

void LoadReadme(QPlainTextEdit* memo) { LoadMemoFile(memo, ReadmeFileName()); }
