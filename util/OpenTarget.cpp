// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/OpenTarget.h"

#include "util/D_Util.h"
#include "util/ShellLaunch.h"

#include <sys/stat.h>

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

// A web address has no blanks or control characters; one with them is not
// handed to the browser.
bool IsAddressText(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f')
            return false;
    return true;
}

// The scheme of a web address we open, or empty.
std::string WebScheme(const std::string& text)
{
    for (const char* scheme : {"http:", "https:", "ftp:", "mailto:"})
        if (StartsWithNoCase(text, scheme))
            return scheme;
    return {};
}

bool IsWellFormedAddress(const std::string& text, const std::string& scheme)
{
    if (!IsAddressText(text))
        return false;
    const std::string rest = text.substr(scheme.size());
    if (scheme == "mailto:")
        return !rest.empty();
    return rest.size() > 2 && rest.compare(0, 2, "//") == 0;
}

// VOLUME:DIR, the form in which the job names the directory it scans; not an
// address of another scheme (file://, smb://), which is simply not opened.
bool IsVolumePath(const std::string& text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || text.compare(colon + 1, 2, "//") == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) <= ' ')
            return false;
    }
    return true;
}

}  // namespace

OpenTarget ClassifyOpenTarget(const std::string& text)
{
    if (const std::string scheme = WebScheme(text); !scheme.empty())
        return IsWellFormedAddress(text, scheme) ? OpenTarget::WebAddress : OpenTarget::None;
    if (text.rfind("\\\\", 0) == 0 && text.size() > 2)
        return OpenTarget::ServerPath;
    if (!text.empty() && text.front() == '/') {
        struct stat info {};
        return ::stat(text.c_str(), &info) == 0 ? OpenTarget::LocalPath : OpenTarget::None;
    }
    return IsVolumePath(text) ? OpenTarget::ServerPath : OpenTarget::None;
}

int ShellOpenTarget(const std::string& text)
{
    const OpenTarget target = ClassifyOpenTarget(text);
    if (target != OpenTarget::WebAddress && target != OpenTarget::LocalPath)
        return LaunchFileNotFound;
    LaunchRequest request;
    request.file = text;
    request.openOnly = true;
    return Launch(request);
}
