// SPDX-License-Identifier: GPL-3.0-or-later
// Starting, filling and ending the tests' smbd.
#include "SambaServer.h"

#include <QProcess>
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool Accepts(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

int Run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess run;
    run.start(program, arguments);
    run.write(input);
    run.closeWriteChannel();
    run.waitForFinished(60000);
    return run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
}

void EnsureUser(const char* name)
{
    if (!getpwnam(name))
        Run("useradd", {"-M", "-r", "-s", "/usr/sbin/nologin", name});
}

const char* const kShares[] = {"users", "team", "nas"};

}  // namespace

std::string SambaServer::Unavailable()
{
    if (geteuid() != 0)
        return "smbd needs root to switch to its users";
    for (const char* program :
         {"/usr/sbin/smbd", "/usr/libexec/samba/samba-dcerpcd", "/usr/bin/smbclient", "/usr/bin/smbpasswd"})
        if (access(program, X_OK) != 0)
            return std::string(program) + " is not installed (scripts/setup installs Samba)";
    return {};
}

SambaServer::SambaServer(int port) : port_(port) { Start(); }

SambaServer::~SambaServer()
{
    Stop();
    std::error_code ignored;  // a folder left behind in /tmp harms no later run
    fs::remove_all(base_, ignored);
}

void SambaServer::Start()
{
    char templ[] = "/tmp/morvane-smbd-XXXXXX";
    if (!mkdtemp(templ)) {
        startError_ = "no temporary folder";
        return;
    }
    base_ = templ;
    fs::permissions(base_, fs::perms(0755));
    for (const char* folder : {"private", "lock", "state", "cache", "pid", "ncalrpc"})
        fs::create_directories(base_ / folder);
    for (const char* share : kShares) {
        fs::create_directories(ShareFolder(share));
        fs::permissions(ShareFolder(share), fs::perms(01777));
    }
    fs::permissions(base_ / "shares", fs::perms(0755));
    if (port_ == 0)
        port_ = UnusedPort();
    const std::string b = base_.string();
    std::ofstream(base_ / "smb.conf")
        << "[global]\n"
        << "private dir = " << b << "/private\nlock directory = " << b << "/lock\n"
        << "state directory = " << b << "/state\ncache directory = " << b << "/cache\n"
        << "pid directory = " << b << "/pid\nncalrpc dir = " << b << "/ncalrpc\n"
        << "log file = " << b << "/log.%m\npassdb backend = tdbsam:" << b << "/private/passdb.tdb\n"
        << "interfaces = lo\nbind interfaces only = yes\nsmb ports = " << port_ << "\n"
        << "disable netbios = yes\nload printers = no\nprintcap name = /dev/null\n"
        << "server role = standalone server\nmap to guest = never\n"
        // The share list comes from samba-dcerpcd, started here beside smbd.
        << "rpc start on demand helpers = no\n"
        << "[users]\npath = " << ShareFolder("users").string() << "\nread only = no\nadmin users = " << kAlice
        << "\nvfs objects = recycle\nrecycle:repository = .recycle/%U\nrecycle:keeptree = yes\n"
        << "recycle:versions = yes\nrecycle:touch = yes\nrecycle:directory_mode = 0777\nrecycle:subdir_mode = 0700\n"
        << "[team]\npath = " << ShareFolder("team").string() << "\nread only = no\nadmin users = " << kAlice
        << "\nvfs objects = recycle\nrecycle:repository = .recycle\nrecycle:keeptree = yes\n"
        << "recycle:touch = yes\nrecycle:directory_mode = 0777\nrecycle:subdir_mode = 0777\n"
        << "[nas]\npath = " << ShareFolder("nas").string() << "\nread only = no\nadmin users = " << kAlice
        << "\nvfs objects = recycle\nrecycle:repository = #recycle\nrecycle:touch = yes\n"
        << "recycle:directory_mode = 0777\n";
    const QString confFile = QString::fromStdString((base_ / "smb.conf").string());
    for (auto [user, password] : {std::pair{kAlice, kAlicePassword}, std::pair{kBob, kBobPassword}}) {
        EnsureUser(user);
        const QByteArray twice = QByteArray(password) + "\n" + password + "\n";
        if (Run("/usr/bin/smbpasswd", {"-c", confFile, "-s", "-a", user}, twice) != 0) {
            startError_ = std::string("smbpasswd failed for ") + user;
            return;
        }
    }

    const std::string conf = (base_ / "smb.conf").string();
    rpcPid_ = Spawn({"/usr/libexec/samba/samba-dcerpcd", "-s", conf, "--libexec-rpcds", "--foreground", "-d0"});
    if (!Restart() && startError_.empty())
        startError_ = "smbd does not answer";
}

bool SambaServer::Restart()
{
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    const std::string conf = (base_ / "smb.conf").string();
    pid_ = Spawn({"/usr/sbin/smbd", "-s", conf, "--foreground", "--no-process-group", "-d0"});
    // Ready when smbd takes connections and samba-dcerpcd answers the share list.
    const fs::path shareList = base_ / "ncalrpc" / "np" / "srvsvc";
    for (int i = 0; i < 200 && !(Accepts(port_) && fs::exists(shareList)); ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            startError_ = "smbd ended at start";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (Accepts(port_) && fs::exists(shareList))
        return true;
    Stop();
    return false;
}

void SambaServer::Signal(int signal) const
{
    // smbd runs in a session of its own: its process group is smbd and the
    // children that serve the connections.
    if (pid_ > 0)
        kill(-pid_, signal);
}

pid_t SambaServer::Spawn(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // A session of its own: smbd signals its whole process group when it
        // ends, which must not be the test program's. It ends with the test
        // program, however that ends.
        setsid();
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void SambaServer::End(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

void SambaServer::Stop()
{
    Signal(SIGCONT);  // a test that stopped it may have failed before going on
    End(rpcPid_);
    End(pid_);
}

void SambaServer::ClearShares() const
{
    for (const char* share : kShares)
        for (const auto& entry : fs::directory_iterator(ShareFolder(share)))
            fs::remove_all(entry.path());
}

std::string SambaServer::Smbclient(const std::string& user, const std::string& share,
                                   const std::string& commands) const
{
    const std::string password = user == kAlice ? kAlicePassword : kBobPassword;
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start("/usr/bin/smbclient",
              {"-p", QString::number(port_), QString::fromStdString("//127.0.0.1/" + share), "-U",
               QString::fromStdString(user + "%" + password), "-c", QString::fromStdString(commands)});
    run.waitForFinished(60000);
    return run.readAll().toStdString();
}

void SambaServer::Recycle(const std::string& user, const std::string& share, const std::string& dir,
                          const std::string& name, const std::string& content) const
{
    const fs::path local = base_ / "upload";
    WriteFile(local, content, 0644);
    std::string commands;
    if (!dir.empty())
        commands = "mkdir \"" + dir + "\"; cd \"" + dir + "\"; ";
    commands += "put \"" + local.string() + "\" \"" + name + "\"; rm \"" + name + "\"";
    Smbclient(user, share, commands);
}

int UnusedPort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(s);
    return port;
}

bool EnterPrivateNetwork()
{
    if (unshare(CLONE_NEWNET) != 0)
        return false;
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(s, SIOCGIFFLAGS, &loopback) == 0;
    loopback.ifr_flags |= IFF_UP;
    up = up && ioctl(s, SIOCSIFFLAGS, &loopback) == 0;
    close(s);
    return up;
}

void SetAccessDaysAgo(const fs::path& path, int daysAgo)
{
    struct stat info {};
    stat(path.c_str(), &info);
    timespec times[2] = {{time(nullptr) - daysAgo * 86400L, 0}, info.st_mtim};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::vector<std::string> TreeOf(const fs::path& folder)
{
    std::vector<std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        tree.push_back(fs::relative(entry.path(), folder).string() + (entry.is_directory() ? "/" : ""));
    std::sort(tree.begin(), tree.end());
    return tree;
}

void WriteFile(const fs::path& path, const std::string& text, unsigned mode)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    chmod(path.c_str(), mode);
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
