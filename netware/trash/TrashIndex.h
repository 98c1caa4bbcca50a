// SPDX-License-Identifier: GPL-3.0-or-later
// The trash cans seen as one server's volumes: a volume per mount point, the
// original folders of the trashed items as its directories, and the trash
// entries as the deleted files in them.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

#include "netware/FolderNames.h"
#include "netware/ntypes.h"
#include "netware/trash/TrashCans.h"

// Where an entry without a known original folder is shown, below its volume
// root. That folder has the empty name, which no real folder has; a real
// folder of this name is shown as "%28unknown origin)".
inline constexpr const char* UnknownOriginDirectory = "(unknown origin)";
// A folder's name as shown and as searched for, and back (TrashNames.cpp).
std::string ShownFolderName(std::string_view name);
std::string FolderNameOfShown(std::string_view shown);

// Which item lies in files/ under a name: its inode and the time of its last
// change. A file restored and trashed again, or another one trashed under the
// same name, differs in one of them (moving a file into the trash changes it).
struct TrashItemIdentity {
    std::uint64_t inode = 0;
    std::int64_t changed = 0;  // nanoseconds since 1970
    bool operator==(const TrashItemIdentity&) const = default;
};
TrashItemIdentity IdentityOf(const struct stat& info);

// One item of a trash can. Compact, as a big can holds hundreds of thousands:
// what could not be read of an item goes to the index's problems instead.
struct TrashEntry {
    std::string name;       // the original name, as listed (see DisplayName)
    std::string trashName;  // its name in files/ and (with ".trashinfo") in info/
    std::uint64_t size = 0;
    // The item in files/ when it was read; unknown when it could not be looked at.
    std::optional<TrashItemIdentity> identity() const
    {
        return identityKnown ? std::optional<TrashItemIdentity>(identityRead) : std::nullopt;
    }
    void setIdentity(const TrashItemIdentity& read)
    {
        identityRead = read;
        identityKnown = true;
    }
    // The space the item takes on the disk (for a folder, that of its files);
    // unknown when its size came from the owner's cache of folder sizes.
    std::optional<std::uint64_t> allocated() const
    {
        return allocatedKnown ? std::optional<std::uint64_t>(allocatedBytes) : std::nullopt;
    }
    void setAllocated(std::optional<std::uint64_t> bytes)
    {
        allocatedBytes = bytes.value_or(0);
        allocatedKnown = bytes.has_value();
    }
    std::uint32_t can = 0;  // index into TrashIndex::cans
    nuint32 deleted = 0;    // packed deletion date-time
    bool hasFile = false;
    bool hasInfo = false;
    bool isDirectory = false;
    bool purged = false;

private:
    bool identityKnown = false;
    bool allocatedKnown = false;
    TrashItemIdentity identityRead;
    std::uint64_t allocatedBytes = 0;
};

// Whether files/ (open as filesFd) still holds what the entry was read with:
// the same item, or still none.
bool StillAsRead(int filesFd, const TrashEntry& entry);

struct TrashDirectory {
    std::string name;  // exactly as the original path holds it
    size_t parent = 0;
    std::vector<size_t> children;  // directory indexes, sorted by name
    std::vector<size_t> entries;   // entry indexes, in the order the cans were read
};

struct TrashVolume {
    std::string name;
    std::string mountPoint;
    size_t root = 0;  // directory index
};

class TrashIndex {
public:
    // Reads every trash can of the environment, each as its owner. A
    // DeletionDate later than now counts as now.
    static TrashIndex Read(const TrashEnvironment& environment);

    std::vector<TrashCan> cans;
    std::vector<TrashVolume> volumes;        // by volume number
    std::vector<TrashDirectory> directories;
    std::vector<TrashEntry> entries;
    // What kept a can, or part of one, from being read, or an item from being
    // listed or sized: a text each, naming the can and the item. Nothing is
    // listed (so nothing purged) from a can that could not be read.
    std::vector<std::string> problems;

    // The subfolder of a folder that a shown name names: the exact name, else
    // the one subfolder that matches it without case.
    NameLookup FindChild(size_t parent, std::string_view shownName, size_t& child) const;
    // The path below its volume's root that leads to a folder, as shown.
    std::string ShownPath(size_t directory) const;
    // The volume of that name (ASCII case-insensitive); false when there is none.
    bool FindVolume(const std::string& name, size_t& volume) const;
    // The subdirectory of that exact name, made when there is none yet.
    size_t ChildDirectory(size_t parent, const std::string& name);

private:
    FolderNames names_;
    size_t VolumeOfPath(const std::string& absolutePath, std::string& relative);
    void ReadCan(size_t can, const std::tm& now);  // now in local time
    // Names the entry of that index (read, but without a name yet) and enters
    // it in the directory of its original path, or of unknown origin without
    // a usable one.
    void PlaceEntry(size_t index, const std::optional<std::string>& originalPath);
};
