// SPDX-License-Identifier: GPL-3.0-or-later
// The shared table of completion-code texts and the error-text library over it.
#include "netware/CompletionCodes.h"

#include <algorithm>

#include "netware/NameContexts.h"

namespace {

const std::vector<CompletionCodeText> kSharedTexts = {
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
    {ERR_VOLUME_SPACE_UNKNOWN, "Free space of the volume unknown"},
    {ERR_NO_SUCH_OBJECT, "No such object"},
    {ERR_NO_FILES_FOUND, "No files found"},
    {ERR_NO_SUCH_DELETED_FILE, "No such deleted file"},
    {ERR_AMBIGUOUS_PATH, "Ambiguous path: several folders differ from it only in letter case"},
    {ERR_BAD_KEY, "Bad context key"},
    {ERR_BAD_CONTEXT, "Bad context handle"},
};

const char* TextIn(const std::vector<CompletionCodeText>& texts, nuint32 code)
{
    auto found = std::find_if(texts.begin(), texts.end(), [code](const auto& entry) { return entry.code == code; });
    return found == texts.end() ? nullptr : found->text;
}

class ErrorTextLibrary : public NWErrorTextLibrary {
public:
    ErrorTextLibrary(std::vector<CompletionCodeText> ownTexts, bool hasStrerror, LastFailure lastFailure)
        : ownTexts_(std::move(ownTexts)), hasStrerror_(hasStrerror), lastFailure_(std::move(lastFailure))
    {
    }
    bool HasStrerror() const override { return hasStrerror_; }
    std::string NWstrerror(nuint32 code) const override
    {
        const char* text = hasStrerror_ ? TextIn(ownTexts_, code) : nullptr;
        if (hasStrerror_ && !text)
            text = SharedCodeText(code);
        if (!text)
            return "Unknown error";
        if (code != lastFailure_.code || lastFailure_.subject.empty())
            return text;
        return std::string(text) + ": " + lastFailure_.subject;
    }

private:
    std::vector<CompletionCodeText> ownTexts_;
    bool hasStrerror_;
    LastFailure lastFailure_;
};

}  // namespace

const char* SharedCodeText(nuint32 code)
{
    return TextIn(kSharedTexts, code);
}

std::unique_ptr<NWErrorTextLibrary> MakeErrorTextLibrary(std::vector<CompletionCodeText> ownTexts, bool hasStrerror,
                                                         LastFailure lastFailure)
{
    return std::make_unique<ErrorTextLibrary>(std::move(ownTexts), hasStrerror, std::move(lastFailure));
}
