// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows recycle-bin client's operations: reading the bins, the item
// iteration and purge, and names.
#include "netware/windows/WindowsBinClient.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "netware/ClientText.h"
#include "netware/D_NW.h"
#include "netware/DeletedFileRecords.h"
#include "netware/ShownName.h"
#include "netware/trash/OwnedFolders.h"
#include "netware/trash/TrashErrors.h"
#include "netware/trash/TrashRemove.h"
#include "util/D_Util.h"

namespace {

// Whether a bin folder still holds what was read under the name: the same
// file or folder (by identity, or by inode and size), or still none. What
// cannot be looked at fails its removal and says why.
bool IndexAsRead(int binFd, const std::string& name, const WindowsBinItem& item)
{
    struct stat now;
    if (fstatat(binFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? !item.hasIndex : true;
    return item.hasIndex && item.index && *item.index == IdentityOf(now) &&
           static_cast<std::uint64_t>(now.st_size) == item.indexSize;
}

enum class ItemCheck { AsRead, Changed, OtherSize };

// The look asks nothing the system does not know already once the name is
// looked up: an inode's number and type never change, and its size is kept
// up to date by every write made on this machine. On a FUSE drive that spares
// a request per item.
ItemCheck ItemAsRead(int binFd, const std::string& name, const WindowsBinItem& item)
{
    struct statx now;
    if (statx(binFd, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_INO | STATX_SIZE,
              &now) != 0)
        return errno != ENOENT || !item.hasItem ? ItemCheck::AsRead : ItemCheck::Changed;
    if (!item.hasItem || now.stx_ino != item.itemInode)
        return ItemCheck::Changed;
    // A size the index gave decided the selection: a file of another size
    // was not what was selected.
    if (item.sizeFromIndex && (!S_ISREG(now.stx_mode) || now.stx_size != item.size))
        return ItemCheck::OtherSize;
    return ItemCheck::AsRead;
}

std::vector<CompletionCodeText> WindowsOwnCodeTexts()
{
    return {
        {TRASH_ERR_IO_FAILURE, "The recycle bin item could not be read or deleted"},
        {TRASH_ERR_READ_ONLY, "The drive of the recycle bin is read-only"},
        {TRASH_ERR_NO_PURGE_PRIVILEGE, "No permission to delete the recycle bin item"},
        {TRASH_ERR_NO_SUCH_DELETED_FILE, "No such recycle bin item: it is gone or changed since it was listed"},
    };
}

}  // namespace

WindowsBinClient::WindowsBinClient(EnvironmentSource source, Clock clock)
    : FolderTreeClient(WindowsServerName, std::move(clock)), source_(std::move(source))
{
}

WindowsBinClient::~WindowsBinClient() = default;

WindowsBinClient::OpenBin::~OpenBin()
{
    if (fd >= 0)
        close(fd);
}

void WindowsBinClient::ReadStores()
{
    openBins_.clear();
    index_ = WindowsBinIndex::Read(source_());
}

void WindowsBinClient::ReportProblems()
{
    for (const std::string& problem : index_.problems)
        if (reportedProblems_.insert(problem).second)
            ReportSkippedWork(problem);
}

std::unique_ptr<NWErrorTextLibrary> WindowsBinClient::LoadErrorTextLibrary()
{
    return MakeErrorTextLibrary(WindowsOwnCodeTexts(), true, lastFailure_);
}

// ---- items and their purge --------------------------------------------------

DeletedRecordValues WindowsBinClient::RecordOf(size_t number, nuint32 folder) const
{
    const WindowsBinItem& item = index_.items[number];
    return {number, folder, item.isDirectory ? kDirectoryAttribute : 0, item.name, item.size, item.deleted, item.user};
}

const OwnerIdentity& WindowsBinClient::PurgerOf(size_t item) const
{
    return index_.drives[index_.bins[index_.items[item].bin].drive].owner;
}

const WindowsBinClient::OpenBin& WindowsBinClient::OpenedBin(size_t binIndex)
{
    auto found = openBins_.find(binIndex);
    if (found != openBins_.end())
        return *found->second;
    auto open = std::make_unique<OpenBin>();
    const WindowsBin& bin = index_.bins[binIndex];
    const WindowsDrive& drive = index_.drives[bin.drive];
    const std::string binPath = drive.mountPoint + "/" + drive.binFolder + "/" + bin.sid;
    // From the root down, never through a link, never onto another device,
    // and only into the very folder that was read.
    const int mountFd = OpenOwnedFolder(drive.mountPoint, drive.mountOwner, open->problem, OthersMayWrite::AsMounted);
    struct stat info;
    if (mountFd < 0) {
        open->error = errno ? errno : ENOENT;
        if (open->problem.empty())
            open->problem = drive.mountPoint + " is gone";
    } else if (fstat(mountFd, &info) != 0 || info.st_dev != drive.device) {
        open->error = EXDEV;
        open->problem = drive.mountPoint + " holds another drive than the one read";
    } else if (const int binsFd = OpenFolderOnDevice(mountFd, drive.binFolder.c_str(), drive.device); binsFd < 0) {
        open->error = errno;
        open->problem = drive.mountPoint + "/" + drive.binFolder + ": " + std::strerror(errno);
    } else {
        open->fd = OpenFolderOnDevice(binsFd, bin.sid.c_str(), drive.device);
        open->error = errno;
        close(binsFd);
        if (open->fd < 0) {
            open->problem = binPath + ": " + std::strerror(open->error);
        } else if (fstat(open->fd, &info) != 0 || info.st_ino != bin.inode) {
            open->error = ESTALE;
            open->problem = binPath + " is another folder than the one read";
            close(open->fd);
            open->fd = -1;
        }
    }
    if (mountFd >= 0)
        close(mountFd);
    return *(openBins_[binIndex] = std::move(open));
}

NWCCODE WindowsBinClient::PurgeItem(size_t number)
{
    lastFailure_ = {};
    WindowsBinItem& item = index_.items[number];
    const WindowsBin& bin = index_.bins[item.bin];
    const WindowsDrive& drive = index_.drives[bin.drive];
    const OpenBin& open = OpenedBin(item.bin);
    if (open.fd < 0)
        return Failed(TrashCodeOfErrno(open.error), "recycle bin " + ShownText(open.problem));
    const std::string itemName = "$R" + item.id, indexName = "$I" + item.id;
    const std::string binPath = drive.mountPoint + "/" + drive.binFolder + "/" + bin.sid + "/";
    const std::string shown = ShownText(binPath + itemName);
    // Only the item that was listed: one deleted again under the same id
    // since, or an index rewritten, is left alone.
    const ItemCheck check = ItemAsRead(open.fd, itemName, item);
    if (check == ItemCheck::OtherSize)
        return Failed(TRASH_ERR_NO_SUCH_DELETED_FILE, shown + " (its size is not the one its index gives)");
    if (check == ItemCheck::Changed || !IndexAsRead(open.fd, indexName, item))
        return Failed(TRASH_ERR_NO_SUCH_DELETED_FILE, shown);
    // The index goes only after its item, so a failed purge stays listed.
    if (item.hasItem) {
        std::string refused;
        if (const int error = RemoveTrashedEntry(open.fd, itemName, drive.device, drive.owner.uid, refused,
                                                 OthersMayWrite::AsMounted))
            return Failed(TrashCodeOfErrno(error), refused.empty() ? shown : ShownText(binPath + refused));
    }
    if (item.hasIndex && unlinkat(open.fd, indexName.c_str(), 0) != 0 && errno != ENOENT)
        return Failed(TrashCodeOfErrno(errno), ShownText(binPath + indexName));
    item.purged = true;
    return SUCCESSFUL;
}

// ---- names ------------------------------------------------------------------

bool WindowsBinClient::UserName(nuint32 id, std::string& name) const
{
    if (id == 0 || id > index_.users.size())
        return false;
    name = index_.users[id - 1];
    return true;
}
