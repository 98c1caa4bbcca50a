// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a share's recycle bin into the tree of original folders.
#include "netware/smb/SmbShareIndex.h"

#include <algorithm>
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

NWCCODE SmbShareIndex::OwnerOf(SmbSession& session, const std::string& path, const SmbUserNumber& userNumber,
                               std::uint32_t& user)
{
    // The account's id for each file, its name once per id: the server looks
    // a name up anew at every call, which takes three times as long.
    std::string sid;
    if (session.OwnerSid(path, sid) != SUCCESSFUL) {
        ownersGiven_ = false;  // the rest of this read asks no more (a lost server would fail them all)
        return session.Failure();
    }
    auto known = ownerNumbers_.find(sid);
    if (known == ownerNumbers_.end()) {
        std::string name;
        if (session.Owner(path, name) != SUCCESSFUL && session.Failure())
            return session.Failure();
        // An id the server has no name for stays nobody's.
        known = ownerNumbers_.emplace(sid, name.empty() ? 0 : userNumber(name)).first;
    }
    user = known->second;
    return SUCCESSFUL;
}

NWCCODE SmbShareIndex::ResolveOwner(SmbSession& session, SmbDeletedFile& file, const SmbUserNumber& userNumber)
{
    if (!file.ownerPending)
        return SUCCESSFUL;
    file.ownerPending = false;
    return ownersGiven_ ? OwnerOf(session, file.path, userNumber, file.user) : SUCCESSFUL;
}

NWCCODE SmbShareIndex::ReadTree(SmbSession& session, const std::string& root, const std::string& floor,
                                std::uint32_t user, bool writeTime, const SmbUnreadableFolder& unreadable)
{
    // Folder by folder, depth first, without recursion: a bin of any depth
    // costs no stack. Each pending folder with its place in the tree.
    std::vector<std::pair<std::string, size_t>> pending{{root, 0}};
    while (!pending.empty()) {
        const auto [path, folder] = std::move(pending.back());
        pending.pop_back();
        std::vector<SmbFileInfo> entries;
        const NWCCODE listed = session.ListFolder(path, entries);
        // A large bin is read folder by folder: the window stays responsive.
        PumpMessages();
        if (NWCCODE code = listed) {
            if (session.Failure())
                return session.Failure();
            if (code != SMB_ERR_NO_SUCH_DELETED_FILE)  // a folder that is gone holds nothing
                unreadable(path, code);
            continue;
        }
        const size_t firstChild = pending.size();
        for (SmbFileInfo& entry : entries) {
            std::string entryPath = path + "/" + entry.name;
            if (entry.isDirectory) {
                // Files another account's job set aside are its to put back.
                if (path != floor || entry.name != kSetAsideFolder)
                    pending.emplace_back(std::move(entryPath), Child(folder, entry.name));
                continue;
            }
            if (path == floor && entry.name.compare(0, 15, ".morvane-probe-") == 0)
                continue;  // another job's probe of the layout, there for a moment
            SmbDeletedFile file;
            file.name = ShownName(entry.name);
            file.path = std::move(entryPath);
            file.floor = floor;
            file.user = user;
            // A shared bin does not say who deleted a file; its owner does, where
            // the server tells it.
            file.ownerPending = ownersGiven_ && user == 0;
            file.size = entry.size;
            file.fileId = entry.fileId;
            file.writeTime = entry.writeTime;
            file.writeTimeNanoseconds = entry.writeTimeNanoseconds;
            file.deleted = PackedLocalTime(writeTime ? entry.writeTime : entry.accessTime, LocalNow());
            folders[folder].files.push_back(files.size());
            files.push_back(std::move(file));
        }
        // The subfolders in the server's order.
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(firstChild), pending.end());
    }
    return SUCCESSFUL;
}

NWCCODE SmbShareIndex::Read(SmbSession& session, const std::string& share, const SmbRepositorySettings& settings,
                            Writes writes, const SmbUserNumber& userNumber, const SmbUnreadableFolder& unreadable,
                            const SmbPutBackNote& putBack)
{
    folders.assign(1, SmbFolder{});
    names_.Clear();
    files.clear();
    base_.clear();
    rest_.clear();
    ownBin_.clear();
    layoutKnown_ = true;  // nothing to purge in a share without a bin
    ownersGiven_ = false;
    ownerNumbers_.clear();
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
    base_ = base;
    rest_ = rest;
    userMark_ = mark != std::string::npos;
    if (mark == std::string::npos || user.empty()) {
        if (NWCCODE code = (writes.probe ? FindBinLayout : JudgeBinLayout)(session, base, user, layout))
            return code;
        layout.perUser = layout.perUser || userMark_;  // a "%U" in the settings stands
        layoutKnown_ = writes.probe;
    } else {
        layout = {true, user};
        layoutKnown_ = true;
    }
    if (!layout.perUser) {
        ownBin_ = base;
        ownersGiven_ = true;
        return ReadTree(session, base, base, 0, settings.deletionTimeIsWriteTime, unreadable);
    }
    if (!layout.ownFolder.empty())
        if (NWCCODE code = TakeOwnFolder(session, layout.ownFolder, writes.putBack ? putBack : SmbPutBackNote()))
            return code;

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
        if (NWCCODE code = ReadTree(session, userRoot, userRoot, userNumber(entry.name),
                                    settings.deletionTimeIsWriteTime, unreadable))
            return code;
    }
    return SUCCESSFUL;
}

NWCCODE SmbShareIndex::TakeOwnFolder(SmbSession& session, const std::string& folder, const SmbPutBackNote& putBack)
{
    ownBin_ = base_ + "/" + folder + rest_;
    if (!putBack)
        return SUCCESSFUL;
    auto told = [&putBack](const std::string& placed) { putBack(placed, SUCCESSFUL); };
    return PutBackLeftovers(session, ownBin_, base_, told, putBack);
}

NWCCODE SmbShareIndex::ProbeLayout(SmbSession& session, const SmbPutBackNote& putBack)
{
    SmbBinLayout layout;
    if (NWCCODE code = FindBinLayout(session, base_, session.User(), layout))
        return code;
    layoutKnown_ = true;
    // A delete in a shared bin is final; a per-user bin's own folder is where
    // the probe went. Unknown (the probe could not be made, the user's name
    // is not known): every delete is checked for a copy the module kept.
    if (!layout.perUser && !userMark_) {
        ownBin_ = base_;
        return SUCCESSFUL;
    }
    if (layout.ownFolder.empty()) {
        if (ownBin_ == base_)
            ownBin_.clear();
        return SUCCESSFUL;
    }
    if (ownBin_ == base_ + "/" + layout.ownFolder + rest_)
        return SUCCESSFUL;
    return TakeOwnFolder(session, layout.ownFolder, putBack);
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
