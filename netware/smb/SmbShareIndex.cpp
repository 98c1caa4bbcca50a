// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a share's recycle bin into the tree of original folders.
#include "netware/smb/SmbShareIndex.h"

#include <ctime>

#include "netware/PackedDateTime.h"
#include "netware/ShownName.h"
#include "netware/smb/SmbBinLayout.h"
#include "netware/smb/SmbErrors.h"
#include "netware/smb/SmbSetAside.h"
#include "util/D_Util.h"
#include "util/MessagePump.h"

const char* const SmbDefaultRepositories[3] = {".recycle", "#recycle", "@Recycle"};

size_t SmbShareIndex::Child(size_t folder, const std::string& name)
{
    size_t child = 0;
    if (names_.Exact(folder, name, child))
        return child;
    folders.push_back(SmbFolder{name, folder, {}, {}});
    child = folders.size() - 1;
    folders[folder].children.push_back(child);
    names_.Add(folder, name, child);
    return child;
}

NWCCODE SmbShareIndex::ReadTree(SmbSession& session, const std::string& path, size_t folder,
                                const std::string& floor, std::uint32_t user, bool writeTime,
                                const SmbUnreadableFolder& unreadable, const SmbUserNumber& userNumber)
{
    std::vector<SmbFileInfo> entries;
    const NWCCODE listed = session.ListFolder(path, entries);
    // A large bin is read folder by folder: the window stays responsive.
    PumpMessages();
    if (NWCCODE code = listed) {
        if (session.Failure())
            return session.Failure();
        if (code != SMB_ERR_NO_SUCH_DELETED_FILE)  // a folder that is gone holds nothing
            unreadable(path, code);
        return SUCCESSFUL;
    }
    for (SmbFileInfo& entry : entries) {
        const std::string entryPath = path + "/" + entry.name;
        if (entry.isDirectory) {
            // Files another account's job set aside are its to put back.
            if (path == floor && entry.name == kSetAsideFolder)
                continue;
            if (NWCCODE code = ReadTree(session, entryPath, Child(folder, entry.name), floor, user, writeTime,
                                        unreadable, userNumber))
                return code;
            continue;
        }
        if (path == floor && entry.name.compare(0, 15, ".morvane-probe-") == 0)
            continue;  // another job's probe of the layout, there for a moment
        SmbDeletedFile file;
        file.name = ShownName(entry.name);
        file.path = entryPath;
        file.floor = floor;
        file.user = user;
        // A shared bin does not say who deleted a file; its owner does, where
        // the server tells it.
        std::string owner;
        if (ownersGiven_ && user == 0) {
            if (session.Owner(entryPath, owner) == SUCCESSFUL)
                file.user = userNumber(owner);
            else if (session.Failure())
                return session.Failure();
            else
                ownersGiven_ = false;
        }
        file.size = entry.size;
        file.fileId = entry.fileId;
        file.writeTime = entry.writeTime;
        file.writeTimeNanoseconds = entry.writeTimeNanoseconds;
        file.deleted = PackedLocalTime(writeTime ? entry.writeTime : entry.accessTime, LocalNow());
        folders[folder].files.push_back(files.size());
        files.push_back(std::move(file));
    }
    return SUCCESSFUL;
}

NWCCODE SmbShareIndex::Read(SmbSession& session, const std::string& share, const SmbRepositorySettings& settings,
                            const SmbUserNumber& userNumber, const SmbUnreadableFolder& unreadable,
                            const SmbPutBackNote& putBack)
{
    folders.assign(1, SmbFolder{});
    names_.Clear();
    files.clear();
    base_.clear();
    ownBin_.clear();
    ownersGiven_ = false;
    std::string repository = settings.repository;
    if (repository.empty()) {
        std::vector<SmbFileInfo> top;
        if (NWCCODE code = session.ListFolder(share, top))
            return session.Failure() ? session.Failure() : code;
        for (const char* candidate : SmbDefaultRepositories)
            for (const SmbFileInfo& entry : top)
                if (repository.empty() && entry.isDirectory && entry.name == candidate)
                    repository = candidate;
        if (repository.empty())
            return SUCCESSFUL;
    }
    std::string clean = ReplaceChars(repository, "\\", '/');
    while (!clean.empty() && clean.back() == '/')
        clean.pop_back();
    const std::string root = share + "/" + clean;
    const auto mark = root.find("%U");
    const std::string& user = session.User();
    std::string base = root.substr(0, mark);
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    const std::string rest = mark == std::string::npos ? std::string() : root.substr(mark + 2);
    SmbBinLayout layout;
    if (mark == std::string::npos || user.empty()) {
        if (NWCCODE code = FindBinLayout(session, base, user, layout))
            return code;
        // A "%U" in the settings stands, whatever the probe could tell.
        layout.perUser = layout.perUser || mark != std::string::npos;
    } else {
        layout = {true, user};
    }
    base_ = base;
    if (!layout.perUser) {
        ownBin_ = base;
        ownersGiven_ = true;
        return ReadTree(session, base, 0, base, 0, settings.deletionTimeIsWriteTime, unreadable, userNumber);
    }
    if (!layout.ownFolder.empty()) {
        ownBin_ = base + "/" + layout.ownFolder + rest;
        auto told = [&putBack](const std::string& placed) { putBack(placed, SUCCESSFUL); };
        if (NWCCODE code = PutBackLeftovers(session, ownBin_, base, told, putBack))
            return code;
    }

    // A per-user repository: the part before %U holds a folder per user.
    std::vector<SmbFileInfo> users;
    if (NWCCODE code = session.ListFolder(base, users)) {
        if (session.Failure())
            return session.Failure();
        if (code != SMB_ERR_NO_SUCH_DELETED_FILE)
            unreadable(base, code);
        return SUCCESSFUL;
    }
    for (const SmbFileInfo& entry : users) {
        if (!entry.isDirectory)
            continue;
        const std::string userRoot = base + "/" + entry.name + rest;
        if (NWCCODE code = ReadTree(session, userRoot, 0, userRoot, userNumber(entry.name),
                                    settings.deletionTimeIsWriteTime, unreadable, userNumber))
            return code;
    }
    return SUCCESSFUL;
}

size_t SmbShareIndex::AddFolder(const std::vector<std::string>& parts)
{
    size_t folder = 0;
    for (const std::string& part : parts)
        folder = Child(folder, part);
    return folder;
}

NameLookup SmbShareIndex::FindChild(size_t parent, std::string_view shownName, size_t& child) const
{
    return names_.Find(parent, NameOfShown(shownName), child);
}

std::string SmbShareIndex::ShownPath(size_t folder) const
{
    return ShownFolderPath(
        folder, [](size_t f) { return f == 0; }, [this](size_t f) { return folders[f].parent; },
        [this](size_t f) { return ShownName(folders[f].name); });
}
