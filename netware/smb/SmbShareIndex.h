// SPDX-License-Identifier: GPL-3.0-or-later
// What one share's recycle bin holds, seen as the client shows it: a tree of
// the deleted files' original folders (the users' folders of a per-user
// repository merged into one tree) and the deleted files in them.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "netware/FolderNames.h"
#include "netware/ntypes.h"
#include "netware/smb/SmbServers.h"
#include "netware/smb/SmbSession.h"

struct SmbDeletedFile {
    std::string name;           // UTF-8, control characters escaped (ShownName)
    std::string path;           // on the server: SHARE/repository/.../name
    std::string floor;          // the repository or user folder it lies below, never removed
    std::uint32_t user = 0;     // the deleting user's number (1-based), 0: unknown
    std::uint64_t size = 0;
    std::uint64_t fileId = 0;
    std::time_t writeTime = 0;
    long writeTimeNanoseconds = 0;
    nuint32 deleted = 0;        // packed deletion date-time
    bool purged = false;
    bool ownerPending = false;  // a shared bin's file: its owner is asked for when it is first listed
};

struct SmbFolder {
    std::string name;  // exactly as the server holds it
    size_t parent = 0;
    std::vector<size_t> children;
    std::vector<size_t> files;  // ascending indexes into SmbShareIndex::files
};

// Called for a repository folder that could not be read, with the server's
// code; the reading goes on with the others.
using SmbUnreadableFolder = std::function<void(const std::string& path, NWCCODE code)>;
// The number of a deleting user's name (per-user repositories).
using SmbUserNumber = std::function<std::uint32_t(const std::string& user)>;
// Called for each file an earlier job set aside and this read put back (its
// path now), or with the server's code for one it could not put back.
using SmbPutBackNote = std::function<void(const std::string& path, NWCCODE code)>;

class SmbShareIndex {
public:
    // Reads the share's repository through the session. Fails only when the
    // server failed; a share without a repository is an empty tree.
    // What it may write on the server:
    struct Writes {
        // Files a lost connection left set aside in the account's own bin
        // are put back first.
        bool putBack = false;
        // The layout of a bin without "%U" is found with a probe file (see
        // SmbBinLayout.h); without it, it is judged from the bin's folders.
        bool probe = false;
    };
    NWCCODE Read(SmbSession& session, const std::string& share, const SmbRepositorySettings& settings,
                 Writes writes, const SmbUserNumber& userNumber, const SmbUnreadableFolder& unreadable,
                 const SmbPutBackNote& putBack);
    // Whether the own bin is known for certain; when not, ProbeLayout finds
    // it before the first purge, by what the server does with a probe file
    // (and puts back what was left set aside in it).
    bool LayoutKnown() const { return layoutKnown_; }
    NWCCODE ProbeLayout(SmbSession& session, const SmbPutBackNote& putBack);

    // A shared bin's file learns its deleting user from its owner when it is
    // first listed: asking costs a request per file, so only the files a job
    // reaches ask, and a large folder does not hold the window up while it is
    // read. Fails only when the server failed; the user is then unknown.
    NWCCODE ResolveOwner(SmbSession& session, SmbDeletedFile& file, const SmbUserNumber& userNumber);

    // The subfolder of a folder that a shown name names: the exact name, else
    // the one subfolder that matches it without case.
    NameLookup FindChild(size_t parent, std::string_view shownName, size_t& child) const;
    // The path below the share's root that leads to a folder, as shown.
    std::string ShownPath(size_t folder) const;

    // Adds the folders of a path that holds no deleted files; returns the last.
    size_t AddFolder(const std::vector<std::string>& parts);

    // The logged-on account's own bin, where a delete is final: its folder
    // of a per-user bin, else the one bin; empty when the share has none or
    // the account's folder is not known.
    const std::string& OwnBin() const { return ownBin_; }
    // The folder that holds the users' folders of a per-user bin (else the
    // bin): the paths of files set aside are kept relative to it.
    const std::string& Base() const { return base_; }

    std::vector<SmbFolder> folders{SmbFolder{}};  // [0] is the share's root
    std::vector<SmbDeletedFile> files;

private:
    FolderNames names_;
    std::string base_;
    bool userMark_ = false;  // the settings name the repository with "%U"
    std::string rest_;       // the part after "%U"
    std::string ownBin_;
    bool layoutKnown_ = false;
    bool ownersGiven_ = false;  // the server gives files' owners (shared bins only)
    std::map<std::string, std::uint32_t> ownerNumbers_;  // user numbers by security id
    size_t Child(size_t folder, const std::string& name);
    // The user number of a file from its owner; 0 where the server has no
    // name for it. Stops asking where the server gives no owners.
    NWCCODE OwnerOf(SmbSession& session, const std::string& path, const SmbUserNumber& userNumber,
                    std::uint32_t& user);
    // Sets ownBin_ to the own folder of a per-user bin and puts back what
    // was left set aside in it (putBack not empty).
    NWCCODE TakeOwnFolder(SmbSession& session, const std::string& folder, const SmbPutBackNote& putBack);
    // Reads the files below root (a user's folder, or the shared bin) into
    // the tree from its top.
    NWCCODE ReadTree(SmbSession& session, const std::string& root, const std::string& floor, std::uint32_t user,
                     bool writeTime, const SmbUnreadableFolder& unreadable);
};

// The repository's folder in a share when none is configured: the first of
// .recycle, #recycle and @Recycle that exists; empty when none does.
extern const char* const SmbDefaultRepositories[3];
