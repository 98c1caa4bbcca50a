// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a share's recycle bin into the tree of original folders.
#include "netware/smb/SmbShareIndex.h"

#include <ctime>

#include "netware/PackedDateTime.h"
#include "netware/ShownName.h"
#include "netware/smb/SmbErrors.h"
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
                                const SmbUnreadableFolder& unreadable)
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
            if (NWCCODE code = ReadTree(session, entryPath, Child(folder, entry.name), floor, user, writeTime,
                                        unreadable))
                return code;
            continue;
        }
        SmbDeletedFile file;
        file.name = ShownName(entry.name);
        file.path = entryPath;
        file.floor = floor;
        file.user = user;
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
                            const SmbUserNumber& userNumber, const SmbUnreadableFolder& unreadable)
{
    folders.assign(1, SmbFolder{});
    names_.Clear();
    files.clear();
    root_.clear();
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
    root_ = root;
    const auto mark = root.find("%U");
    if (mark == std::string::npos)
        return ReadTree(session, root, 0, root, 0, settings.deletionTimeIsWriteTime, unreadable);

    // A per-user repository: the part before %U holds a folder per user.
    std::string base = root.substr(0, mark);
    const std::string rest = root.substr(mark + 2);
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    std::vector<SmbFileInfo> users;
    if (NWCCODE code = session.ListFolder(base, users)) {
        if (session.Failure())
            return session.Failure();
        if (code != SMB_ERR_NO_SUCH_DELETED_FILE)
            unreadable(base, code);
        return SUCCESSFUL;
    }
    for (const SmbFileInfo& user : users) {
        if (!user.isDirectory)
            continue;
        const std::string userRoot = base + "/" + user.name + rest;
        if (NWCCODE code = ReadTree(session, userRoot, 0, userRoot, userNumber(user.name),
                                    settings.deletionTimeIsWriteTime, unreadable))
            return code;
    }
    return SUCCESSFUL;
}

std::string SmbShareIndex::RepositoryOf(const std::string& user) const
{
    const auto mark = root_.find("%U");
    return mark == std::string::npos ? root_ : root_.substr(0, mark) + user + root_.substr(mark + 2);
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
