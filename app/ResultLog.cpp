// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the result log: lines streamed in blocks into the file, rewritten in
// place.
#include "app/ResultLog.h"

#include "util/InPlaceFile.h"
#include "widgets/ResultList.h"

#include <cstring>

void SaveResultLog(const std::vector<std::string>& lines, const std::string& path)
{
    SaveResultLog(lines.size(), [&lines](std::size_t i) { return lines[i]; }, path);
}

void SaveResultLog(const ResultList& list, const std::string& path)
{
    SaveResultLog(static_cast<std::size_t>(list.count()),
                  [&list](std::size_t i) { return list.line(static_cast<int>(i)); }, path);
}

void SaveResultLog(std::size_t count, const std::function<std::string(std::size_t)>& line, const std::string& path)
{
    try {
        InPlaceFile file(path);
        // Lines go out in large blocks, so a long log costs neither a copy of
        // the whole text nor a system call per line.
        constexpr std::size_t BlockSize = 1 << 16;
        std::string block;
        block.reserve(BlockSize * 2);
        for (std::size_t i = 0; i < count; ++i) {
            block += line(i);
            block += "\r\n";
            if (block.size() >= BlockSize) {
                file.Write(block);
                block.clear();
            }
        }
        file.Write(block);
        file.Commit();
    } catch (const InPlaceFileError& error) {
        const bool writing = error.step() != InPlaceFileStep::Open;
        throw ResultLogError(std::string(writing ? "Cannot write file" : "Cannot create file") + " \"" + path +
                             "\". " + std::strerror(error.error()));
    }
}
