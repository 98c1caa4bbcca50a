// SPDX-License-Identifier: GPL-3.0-or-later
// Setting files aside in the own bin, and putting them back.
#include "netware/smb/SmbSetAside.h"

#include <vector>

#include "netware/smb/SmbErrors.h"

namespace {

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('/')); }

// name with " (put back N)" before its extension.
std::string Numbered(const std::string& path, int n)
{
    const auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    if (dot == std::string::npos || dot <= slash + 1)
        dot = path.size();
    return path.substr(0, dot) + " (put back " + std::to_string(n) + ")" + path.substr(dot);
}

NWCCODE PutBackTree(SmbSession& session, const std::string& folder, const std::string& aside,
                    const std::string& base, const std::function<void(const std::string&)>& told,
                    const std::function<void(const std::string&, NWCCODE)>& failed)
{
    std::vector<SmbFileInfo> entries;
    if (session.ListFolder(folder, entries) != SUCCESSFUL)
        return session.Failure();  // none set aside, or a folder the account may not read
    for (const SmbFileInfo& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isDirectory) {
            if (NWCCODE code = PutBackTree(session, path, aside, base, told, failed))
                return code;
            session.RemoveFolder(path);  // emptied; one that is not stays
            continue;
        }
        std::string placed;
        const std::string original = base + path.substr(aside.size());
        if (NWCCODE code = PutBack(session, path, original, placed)) {
            if (session.Failure())
                return session.Failure();
            failed(path, code);
        } else {
            told(placed);
        }
    }
    return SUCCESSFUL;
}

}  // namespace

std::string SetAsidePath(const std::string& ownBin, const std::string& base, const std::string& path)
{
    return ownBin + "/" + kSetAsideFolder + path.substr(base.size());
}

NWCCODE MakeParents(SmbSession& session, const std::string& path, const std::string& floor)
{
    // The deepest first: where the folders above it are there, as they are
    // for every folder after a job's first, one request makes it.
    std::vector<std::string> missing;
    for (std::string folder = Parent(path); folder.size() > floor.size(); folder = Parent(folder)) {
        const NWCCODE code = session.MakeFolder(folder);
        if (code == SUCCESSFUL)
            break;
        if (code != SMB_ERR_NO_SUCH_DELETED_FILE)
            return code;
        missing.push_back(folder);
    }
    // Then the missing ones above it, downwards; the deepest again last.
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder)
        if (NWCCODE code = session.MakeFolder(*folder))
            return code;
    return SUCCESSFUL;
}

NWCCODE RenameMakingParents(SmbSession& session, const std::string& from, const std::string& to,
                            const std::string& floor)
{
    const NWCCODE code = session.Rename(from, to);
    if (code != SMB_ERR_NO_SUCH_DELETED_FILE)
        return code;
    if (NWCCODE made = MakeParents(session, to, floor))
        return made;
    return session.Rename(from, to);
}

NWCCODE PutBack(SmbSession& session, const std::string& from, const std::string& to, std::string& placed)
{
    // libsmbclient's rename replaces a file of the new name: the name is
    // checked first, and a taken one is not used.
    for (int n = 1; n < 100; ++n) {
        placed = n == 1 ? to : Numbered(to, n - 1);
        SmbFileInfo info;
        NWCCODE code = session.Stat(placed, info);
        if (code == SUCCESSFUL)
            continue;
        if (code != SMB_ERR_NO_SUCH_DELETED_FILE)
            return code;
        code = session.Rename(from, placed);
        if (code == SMB_ERR_NO_SUCH_DELETED_FILE) {
            // The folder it came from may be gone (emptied and removed).
            SmbFileInfo source;
            if (NWCCODE gone = session.Stat(from, source))
                return gone;
            if (NWCCODE made = MakeParents(session, placed, to.substr(0, to.find('/'))))
                return made;
            code = session.Rename(from, placed);
        }
        return code;
    }
    return SMB_ERR_IO_FAILURE;
}

NWCCODE PutBackFolder(SmbSession& session, const std::string& asideFolder, const std::string& ownBin,
                      const std::string& base, const std::function<void(const std::string&)>& told,
                      const std::function<void(const std::string&, NWCCODE)>& failed)
{
    const std::string aside = ownBin + "/" + kSetAsideFolder;
    const std::string original = base + asideFolder.substr(aside.size());
    SmbFileInfo info;
    const NWCCODE taken = session.Stat(original, info);
    if (session.Failure())
        return session.Failure();
    // A folder is never renamed over anything (libsmbclient's rename replaces
    // files only, and the name is checked first): when the owner's deletes
    // made the folder again meanwhile, its files go back one by one.
    if (taken == SMB_ERR_NO_SUCH_DELETED_FILE && MakeParents(session, original, base) == SUCCESSFUL &&
        session.Rename(asideFolder, original) == SUCCESSFUL)
        return SUCCESSFUL;
    if (session.Failure())
        return session.Failure();
    if (NWCCODE code = PutBackTree(session, asideFolder, aside, base, told, failed))
        return code;
    session.RemoveFolder(asideFolder);  // emptied; one still holding a file that could not go back stays
    return SUCCESSFUL;
}

NWCCODE PutBackLeftovers(SmbSession& session, const std::string& ownBin, const std::string& base,
                         const std::function<void(const std::string&)>& told,
                         const std::function<void(const std::string&, NWCCODE)>& failed)
{
    const std::string aside = ownBin + "/" + kSetAsideFolder;
    if (NWCCODE code = PutBackTree(session, aside, aside, base, told, failed))
        return code;
    session.RemoveFolder(aside);
    return SUCCESSFUL;
}
