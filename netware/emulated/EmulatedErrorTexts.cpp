// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the emulated client's completion codes.
#include "netware/emulated/EmulatedErrorTexts.h"

#include <map>

namespace {

const std::map<nuint32, const char*>& Texts()
{
    static const std::map<nuint32, const char*> texts = {
        {ERR_INVALID_CONNECTION, "Invalid connection handle"},
        {ERR_CONNECTION_NOT_FOUND, "Connection not found"},
        {ERR_NO_CONNECTION_TO_SERVER, "No connection to server"},
        {ERR_INVALID_PARAMETER, "Invalid parameter"},
        {ERR_IO_FAILURE, "Disk I/O failure"},
        {ERR_NO_PURGE_PRIVILEGE, "No privilege to purge the file"},
        {ERR_VOLUME_DOES_NOT_EXIST, "Volume does not exist"},
        {ERR_BAD_DIRECTORY_HANDLE, "Bad directory handle"},
        {ERR_INVALID_PATH, "Invalid path"},
        {ERR_NO_MORE_DIR_HANDLES, "No more directory handles"},
        {ERR_NO_SUCH_OBJECT, "No such object"},
        {ERR_VOLUME_SPACE_UNKNOWN, "Free space of the volume unknown"},
        {ERR_NO_FILES_FOUND, "No files found"},
        {ERR_NO_SUCH_ENTRY, "No such entry"},
        {ERR_BAD_KEY, "Bad context key"},
        {ERR_BAD_CONTEXT, "Bad context handle"},
    };
    return texts;
}

class EmulatedErrorTextLibrary : public NWErrorTextLibrary {
public:
    explicit EmulatedErrorTextLibrary(bool hasStrerror) : hasStrerror_(hasStrerror) {}
    bool HasStrerror() const override { return hasStrerror_; }
    std::string NWstrerror(nuint32 code) const override
    {
        if (!hasStrerror_)
            return "Unknown error";
        auto it = Texts().find(code);
        return it == Texts().end() ? "Unknown error" : it->second;
    }

private:
    bool hasStrerror_;
};

}  // namespace

std::unique_ptr<NWErrorTextLibrary> MakeEmulatedErrorTextLibrary(ErrorTextLibraryMode mode)
{
    if (mode == ErrorTextLibraryMode::Absent)
        return nullptr;
    return std::make_unique<EmulatedErrorTextLibrary>(mode == ErrorTextLibraryMode::Full);
}
