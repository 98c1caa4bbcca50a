// SPDX-License-Identifier: GPL-3.0-or-later
// A real file system made by a test: an image formatted as NTFS (mounted
// through ntfs-3g), exFAT (exfat-fuse on a loop device) or FAT (the kernel's
// vfat on a loop device), unmounted and removed with the test. Mounting needs
// root; where it cannot be done, why() says so, for the test to skip with.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

namespace recyclebin {

enum class DriveKind { Ntfs, Exfat, Fat };

inline const char* KindName(DriveKind kind)
{
    return kind == DriveKind::Ntfs ? "NTFS" : kind == DriveKind::Exfat ? "exFAT" : "FAT";
}

// Runs a shell command line; its exit status, with its output in output.
inline int RunCommand(const std::string& command, std::string* output = nullptr)
{
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

class MountedDrive {
public:
    // mountOptions go to ntfs-3g (for example "uid=65534,gid=65534").
    MountedDrive(DriveKind kind, const std::filesystem::path& folder, const std::string& mountOptions = "",
                 int megabytes = 32)
        : mountPoint_(folder / "drive")
    {
        namespace fs = std::filesystem;
        const fs::path image = folder / "drive.img";
        fs::create_directories(mountPoint_);
        if (geteuid() != 0) {
            why_ = "mounting a drive image needs root";
            return;
        }
        std::string out;
        if (RunCommand("truncate -s " + std::to_string(megabytes) + "M " + Quoted(image), &out) != 0) {
            why_ = out;
            return;
        }
        const std::string options = mountOptions.empty() ? "" : " -o " + mountOptions;
        std::string format, mount;
        switch (kind) {
        case DriveKind::Ntfs:
            format = "mkntfs -F -q -f " + Quoted(image);
            mount = "ntfs-3g" + options + " " + Quoted(image) + " " + Quoted(mountPoint_);
            break;
        case DriveKind::Exfat:
            format = "mkfs.exfat " + Quoted(image);
            break;
        case DriveKind::Fat:
            format = "mkfs.vfat " + Quoted(image);
            mount = "mount -o loop" + (mountOptions.empty() ? "" : "," + mountOptions) + " " + Quoted(image) + " " +
                    Quoted(mountPoint_);
            break;
        }
        if (RunCommand(format, &out) != 0) {
            why_ = std::string(KindName(kind)) + " image cannot be made: " + out;
            return;
        }
        if (kind == DriveKind::Exfat) {
            // exfat-fuse wants a block device.
            if (RunCommand("losetup -f --show " + Quoted(image), &loop_) != 0) {
                why_ = "no loop device for the exFAT image: " + loop_;
                loop_.clear();
                return;
            }
            while (!loop_.empty() && loop_.back() == '\n')
                loop_.pop_back();
            mount = "mount.exfat-fuse" + options + " " + loop_ + " " + Quoted(mountPoint_);
        }
        if (RunCommand(mount, &out) != 0) {
            why_ = std::string(KindName(kind)) + " does not mount here (" + mount + "): " + out;
            return;
        }
        mounted_ = true;
    }
    ~MountedDrive()
    {
        // A FUSE drive can still be busy just after the program that used it
        // ended: tried again, then detached lazily, so no mount outlives the test.
        if (mounted_) {
            bool unmounted = false;
            for (int attempt = 0; attempt < 10 && !unmounted; ++attempt) {
                unmounted = RunCommand("umount " + Quoted(mountPoint_)) == 0;
                if (!unmounted)
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            if (!unmounted)
                RunCommand("umount -l " + Quoted(mountPoint_));
        }
        if (!loop_.empty())
            RunCommand("losetup -d " + loop_);
    }
    MountedDrive(const MountedDrive&) = delete;
    MountedDrive& operator=(const MountedDrive&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    const std::filesystem::path& path() const { return mountPoint_; }

private:
    std::filesystem::path mountPoint_;
    std::string loop_;
    std::string why_;
    bool mounted_ = false;
};

}  // namespace recyclebin
