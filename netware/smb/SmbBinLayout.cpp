// SPDX-License-Identifier: GPL-3.0-or-later
// Finding a recycle bin's layout with a probe file.
#include "netware/smb/SmbBinLayout.h"

#include <algorithm>
#include <unistd.h>
#include <vector>

#include "netware/smb/SmbErrors.h"

NWCCODE JudgeBinLayout(SmbSession& session, const std::string& root, const std::string& user, SmbBinLayout& layout)
{
    layout = {};
    std::vector<SmbFileInfo> entries;
    if (session.ListFolder(root, entries))
        return session.Failure();
    // The own folder first; a bin of users' folders shows itself in its first
    // few, a shared bin's original folders are not asked for their owners
    // one by one.
    std::stable_partition(entries.begin(), entries.end(), [&user](const SmbFileInfo& e) { return e.name == user; });
    constexpr int kFoldersAsked = 8;
    int asked = 0;
    for (const SmbFileInfo& entry : entries) {
        if (!entry.isDirectory)
            continue;
        std::string owner;
        if (entry.name == user || (session.Owner(root + "/" + entry.name, owner) == SUCCESSFUL && owner == entry.name)) {
            layout.perUser = true;
            layout.ownFolder = user;
            return SUCCESSFUL;
        }
        if (session.Failure())
            return session.Failure();
        if (++asked == kFoldersAsked)
            break;
    }
    return SUCCESSFUL;
}

NWCCODE FindBinLayout(SmbSession& session, const std::string& root, const std::string& user, SmbBinLayout& layout)
{
    layout = {};
    static unsigned long probes = 0;
    const std::string name = ".morvane-probe-" + std::to_string(getpid()) + "-" + std::to_string(++probes);
    const std::string probe = root + "/" + name;
    if (session.PutNewFile(probe, "x") || session.Unlink(probe)) {
        if (session.Failure())
            return session.Failure();
        session.Unlink(probe);  // a probe that could not be deleted is not left behind if it can help it
        return JudgeBinLayout(session, root, user, layout);
    }
    // Deleted for real: the folder is a bin of its own, shared by everyone.
    // Moved: into the logged-on account's folder, with the folders it lay in
    // (keeptree) or without.
    std::vector<SmbFileInfo> entries;
    if (session.ListFolder(root, entries))
        return session.Failure();
    std::stable_partition(entries.begin(), entries.end(), [&user](const SmbFileInfo& e) { return e.name == user; });
    const std::string fromShare = probe.substr(probe.find('/') + 1);
    for (const SmbFileInfo& entry : entries) {
        if (!entry.isDirectory)
            continue;
        const std::string folder = root + "/" + entry.name;
        for (const std::string& copy : {folder + "/" + fromShare, folder + "/" + name}) {
            SmbFileInfo info;
            if (session.Stat(copy, info) != SUCCESSFUL) {
                if (session.Failure())
                    return session.Failure();
                continue;
            }
            layout.perUser = true;
            layout.ownFolder = entry.name;
            // Inside the account's own folder a delete is final; the folders
            // the copy brought along go too, as far as they are empty.
            session.Unlink(copy);
            for (std::string up = copy.substr(0, copy.rfind('/')); up.size() > folder.size();
                 up.erase(up.rfind('/')))
                session.RemoveFolder(up);
            return session.Failure();
        }
    }
    return SUCCESSFUL;
}
