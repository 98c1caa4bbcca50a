// SPDX-License-Identifier: GPL-3.0-or-later
// A private file without a name, for data that a process keeps on disk rather
// than in memory while it runs: created in $TMPDIR (else /var/tmp), readable
// only by its owner, and gone when it is closed or the process ends, however
// it ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(ScratchFile&& other) noexcept;
    ScratchFile& operator=(ScratchFile&& other) noexcept;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Creates the file in folder (empty: $TMPDIR, else /var/tmp); false when
    // it cannot be made, and the object stays closed.
    bool Open(const std::string& folder = {});
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    // Writes all size bytes at offset; false when they are not all written
    // (a full disk), and what lies there then is not to be read.
    bool WriteAt(std::uint64_t offset, const char* data, std::size_t size);
    // Reads all size bytes at offset; false when they cannot all be read.
    bool ReadAt(std::uint64_t offset, char* data, std::size_t size) const;
    // Empties the file.
    void Clear();

private:
    int fd_ = -1;
};

// The folder a ScratchFile goes to by default.
std::string ScratchFolder();
