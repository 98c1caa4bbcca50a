// SPDX-License-Identifier: GPL-3.0-or-later
// A real Samba server for the tests: smbd (and samba-dcerpcd) on 127.0.0.1 at a free port, with
// its configuration, state and password database in a temporary folder, three
// shares with recycle bins (a per-user repository, a shared .recycle, a
// #recycle without the folder tree) and two users. It runs in a session of its
// own and is ended by its process id, also when the test program dies.
#pragma once

#include <filesystem>
#include <string>
#include <vector>
#include <sys/types.h>

class SambaServer {
public:
    static constexpr const char* kAlice = "morvane-alice";  // administrator of every share
    static constexpr const char* kBob = "morvane-bob";
    static constexpr const char* kAlicePassword = "alice-secret";
    static constexpr const char* kBobPassword = "bob-secret";

    // Why the server cannot run here (not root, Samba not installed); empty
    // when it can.
    static std::string Unavailable();

    // On the given port of 127.0.0.1; 0 takes a free one.
    explicit SambaServer(int port = 0);
    ~SambaServer();
    SambaServer(const SambaServer&) = delete;
    SambaServer& operator=(const SambaServer&) = delete;

    bool Running() const { return pid_ > 0; }
    const std::string& StartError() const { return startError_; }
    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    // The server's own folder of a share ("users", "team", "nas").
    std::filesystem::path ShareFolder(const std::string& share) const { return base_ / "shares" / share; }
    const std::filesystem::path& Base() const { return base_; }

    // Sends a signal to smbd and the processes serving its connections.
    void Signal(int signal) const;
    // Starts smbd again on the same port and state after it was killed.
    bool Restart();

    // Empties every share, recycle bins included.
    void ClearShares() const;
    // Runs smbclient as the user on the share with the commands of -c; its
    // output, standard error included.
    std::string Smbclient(const std::string& user, const std::string& share, const std::string& commands) const;
    // Puts a file of the given content at dir/name on the share and deletes
    // it again as the user, so that the recycle bin receives it.
    void Recycle(const std::string& user, const std::string& share, const std::string& dir, const std::string& name,
                 const std::string& content) const;

private:
    void Start();
    void Stop();
    static pid_t Spawn(const std::vector<std::string>& arguments);
    static void End(pid_t& pid);

    std::filesystem::path base_;
    int port_ = 0;
    pid_t pid_ = -1;     // smbd
    pid_t rpcPid_ = -1;  // samba-dcerpcd, which answers the share list
    std::string startError_;
};

// A port on 127.0.0.1 that nothing listened on a moment ago.
int UnusedPort();
// Moves the calling thread, and the processes it starts from now on, into a
// network of their own with only the loopback, up. There the standard SMB port
// is free for a test server: libsmbclient asks for files' owners over a second
// connection to port 445 whatever port the first one took. False when the
// system refuses (not root).
bool EnterPrivateNetwork();
// Sets a file's access time (the deletion time a recycle bin keeps) to
// daysAgo days before now.
void SetAccessDaysAgo(const std::filesystem::path& path, int daysAgo);
// The files and folders below a folder, as paths relative to it, sorted;
// folders end with "/".
std::vector<std::string> TreeOf(const std::filesystem::path& folder);
// What a file holds; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);
// Writes a file with the given mode.
void WriteFile(const std::filesystem::path& path, const std::string& text, unsigned mode = 0600);
