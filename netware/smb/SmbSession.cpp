// SPDX-License-Identifier: GPL-3.0-or-later
// The libsmbclient calls of one server.
#include "netware/smb/SmbSession.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libsmbclient.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "netware/smb/SmbErrors.h"
#include "util/PercentEncoding.h"

struct SmbContext {
    SMBCCTX* context = nullptr;

    static void Authenticate(SMBCCTX* context, const char*, const char*, char* workgroup, int workgroupLength,
                             char* user, int userLength, char* password, int passwordLength)
    {
        auto* session = static_cast<SmbSession*>(smbc_getOptionUserData(context));
        const SmbCredentials& credentials = session->credentials_;
        if (!credentials.given)
            return;  // libsmbclient's own: the user's name, a Kerberos ticket where there is one
        auto copy = [](std::string_view text, char* buffer, int length) {
            if (length <= 0)
                return;
            const size_t n = std::min(text.size(), static_cast<size_t>(length - 1));
            std::memcpy(buffer, text.data(), n);
            buffer[n] = '\0';
        };
        copy(credentials.user, user, userLength);
        copy(credentials.password.View(), password, passwordLength);
        if (!credentials.domain.empty())
            copy(credentials.domain, workgroup, workgroupLength);
    }

    // What libsmbclient logs while logging on: a refused logon's reason is
    // told there only. Static: the library keeps the callback after the
    // context is gone.
    static std::string& LogonLog()
    {
        static std::string log;
        return log;
    }
    static void KeepLogonLog(void*, int, const char* message)
    {
        std::string& log = LogonLog();
        if (message && log.size() < 16384)
            log += message;
    }

    explicit SmbContext(SmbSession* session)
    {
        context = smbc_new_context();
        if (!context)
            return;
        // Level 3 tells why a logon was refused; Connect lowers it again.
        smbc_setDebug(context, 3);
        LogonLog().clear();
        smbc_setLogCallback(context, nullptr, &KeepLogonLog);
        smbc_setTimeout(context, session->settings_.timeoutSeconds * 1000);
        smbc_setPort(context, static_cast<uint16_t>(session->settings_.port));
        smbc_setOptionUserData(context, session);
        smbc_setFunctionAuthDataWithContext(context, &Authenticate);
        // A refused password must not turn into a guest logon that sees nothing.
        smbc_setOptionNoAutoAnonymousLogin(context, true);
        smbc_setOptionUseKerberos(context, !session->credentials_.given);
        smbc_setOptionFallbackAfterKerberos(context, true);
        smbc_setOptionUseCCache(context, false);
        if (!smbc_init_context(context)) {
            smbc_free_context(context, 1);
            context = nullptr;
        }
    }
    ~SmbContext()
    {
        if (context)
            smbc_free_context(context, 1);
    }
};

namespace {

// Whether the server takes a TCP connection within the time-out: libsmbclient
// waits up to 20 seconds for one, whatever time-out it is given. 0, or the
// errno of the failure.
int ProbeServer(const std::string& host, int port, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0)
        return EHOSTUNREACH;
    int error = ETIMEDOUT;
    for (addrinfo* a = addresses; a && error; a = a->ai_next) {
        const int s = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (s < 0)
            continue;
        if (connect(s, a->ai_addr, a->ai_addrlen) == 0) {
            error = 0;
        } else if (errno == EINPROGRESS) {
            pollfd wait{s, POLLOUT, 0};
            if (poll(&wait, 1, timeoutMs) == 1) {
                socklen_t length = sizeof error;
                getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length);
            }
        } else {
            error = errno;
        }
        close(s);
    }
    freeaddrinfo(addresses);
    return error;
}

}  // namespace

SmbSession::SmbSession(SmbServerSettings settings, SmbLoginPrompt prompt)
    : settings_(std::move(settings)), prompt_(std::move(prompt))
{
}

SmbSession::~SmbSession() { delete context_; }

void SmbSession::Revive()
{
    prompted_ = 0;
    failure_ = 0;
    failureDetail_.clear();
    connected_ = false;
    delete context_;
    context_ = nullptr;
}

std::string SmbSession::Url(const std::string& path) const
{
    // Names travel as UTF-8; every byte that could be read as part of the URL
    // is escaped, and libsmbclient decodes them again.
    return "smb://" + settings_.host + ":" + std::to_string(settings_.port) + "/" + PercentEncode(path);
}

NWCCODE SmbSession::Finish(int result)
{
    if (result >= 0)
        return SUCCESSFUL;
    const NWCCODE code = SmbCodeOfErrno(errno, connected_);
    if (IsServerFailure(code))
        failure_ = code;
    return code;
}

NWCCODE SmbSession::Connect()
{
    if (failure_)
        return failure_;
    if (connected_ && context_)
        return SUCCESSFUL;
    if (!credentialsRead_ && !settings_.credentialsFile.empty()) {
        credentialsRead_ = true;
        std::string error;
        if (!ReadCredentialsFile(settings_.credentialsFile, credentials_, error)) {
            failureDetail_ = error;
            return failure_ = SMB_ERR_BAD_CREDENTIALS_FILE;
        }
    }
    if (const int error = ProbeServer(settings_.host, settings_.port, settings_.timeoutSeconds * 1000)) {
        const NWCCODE code = SmbCodeOfErrno(error, false);
        return failure_ = IsServerFailure(code) ? code : SMB_ERR_SERVER_UNREACHABLE;
    }
    for (;;) {
        delete context_;
        context_ = new SmbContext(this);
        if (!context_->context)
            return failure_ = SMB_ERR_IO_FAILURE;
        // The share list is the first thing asked of a server: the answer to
        // it says whether the server is there and takes the logon.
        SMBCFILE* root = smbc_getFunctionOpendir(context_->context)(context_->context, Url("").c_str());
        const int error = errno;
        smbc_setDebug(context_->context, 0);
        const std::string log = std::move(SmbContext::LogonLog());
        SmbContext::LogonLog().clear();
        if (root) {
            smbc_getFunctionClosedir(context_->context)(context_->context, root);
            connected_ = true;
            return SUCCESSFUL;
        }
        NWCCODE code = SmbCodeOfErrno(error, false);
        if (code == SMB_ERR_ACCOUNT_REFUSED || code == SMB_ERR_LOGON_FAILURE) {
            const auto said = log.find("login failed: ");
            const NWCCODE told = said == std::string::npos ? code : SmbCodeOfLogonRefusal(log.substr(said));
            if (told != SMB_ERR_ACCOUNT_REFUSED)
                code = told;
        }
        // A refused password in the login box is asked for again, until the
        // user cancels (or a few times in a row: then the next job asks).
        if (code == SMB_ERR_LOGON_FAILURE && settings_.credentialsFile.empty() && prompt_ &&
            prompted_ < kPromptsPerJob) {
            ++prompted_;
            SmbCredentials asked;
            asked.user = credentials_.user;
            asked.domain = credentials_.domain;
            credentials_.password.Wipe();
            if (prompt_(settings_.name, asked)) {
                asked.given = true;
                credentials_ = std::move(asked);
                continue;
            }
            credentials_.given = false;
        }
        return failure_ = IsServerFailure(code) ? code : SMB_ERR_SERVER_UNREACHABLE;
    }
}

NWCCODE SmbSession::ListShares(std::vector<std::string>& shares)
{
    shares.clear();
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    SMBCFILE* dir = smbc_getFunctionOpendir(c)(c, Url("").c_str());
    if (!dir)
        return Finish(-1);
    while (const smbc_dirent* entry = smbc_getFunctionReaddir(c)(c, dir))
        if (entry->smbc_type == SMBC_FILE_SHARE)
            shares.emplace_back(entry->name);
    smbc_getFunctionClosedir(c)(c, dir);
    return SUCCESSFUL;
}

NWCCODE SmbSession::ListFolder(const std::string& path, std::vector<SmbFileInfo>& entries)
{
    entries.clear();
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    SMBCFILE* dir = smbc_getFunctionOpendir(c)(c, Url(path).c_str());
    if (!dir)
        return Finish(-1);
    struct stat st {};
    for (;;) {
        errno = 0;
        const libsmb_file_info* entry = smbc_getFunctionReaddirPlus2(c)(c, dir, &st);
        if (!entry)
            break;
        if (!entry->name || !std::strcmp(entry->name, ".") || !std::strcmp(entry->name, ".."))
            continue;
        SmbFileInfo info;
        info.name = entry->name;
        info.isDirectory = S_ISDIR(st.st_mode);
        info.size = entry->size;
        info.fileId = static_cast<std::uint64_t>(st.st_ino);
        info.accessTime = entry->atime_ts.tv_sec;
        info.writeTime = entry->mtime_ts.tv_sec;
        info.writeTimeNanoseconds = entry->mtime_ts.tv_nsec;
        entries.push_back(std::move(info));
    }
    const int error = errno;
    smbc_getFunctionClosedir(c)(c, dir);
    errno = error;
    return error && error != ENOENT ? Finish(-1) : SUCCESSFUL;
}

NWCCODE SmbSession::Stat(const std::string& path, SmbFileInfo& info)
{
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    struct stat st {};
    if (NWCCODE code = Finish(smbc_getFunctionStat(c)(c, Url(path).c_str(), &st)))
        return code;
    info.name = path.substr(path.rfind('/') + 1);
    info.isDirectory = S_ISDIR(st.st_mode);
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.fileId = static_cast<std::uint64_t>(st.st_ino);
    info.accessTime = st.st_atim.tv_sec;
    info.writeTime = st.st_mtim.tv_sec;
    info.writeTimeNanoseconds = st.st_mtim.tv_nsec;
    return SUCCESSFUL;
}

NWCCODE SmbSession::Unlink(const std::string& path)
{
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    return Finish(smbc_getFunctionUnlink(c)(c, Url(path).c_str()));
}

NWCCODE SmbSession::Rename(const std::string& from, const std::string& to)
{
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    return Finish(smbc_getFunctionRename(c)(c, Url(from).c_str(), c, Url(to).c_str()));
}

NWCCODE SmbSession::MakeFolder(const std::string& path)
{
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    const int result = smbc_getFunctionMkdir(c)(c, Url(path).c_str(), 0700);
    return result < 0 && errno == EEXIST ? SUCCESSFUL : Finish(result);
}

NWCCODE SmbSession::PutNewFile(const std::string& path, const std::string& text)
{
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    SMBCFILE* file = smbc_getFunctionOpen(c)(c, Url(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (!file)
        return Finish(-1);
    const ssize_t written = smbc_getFunctionWrite(c)(c, file, text.data(), text.size());
    const int error = errno;
    smbc_getFunctionClose(c)(c, file);
    errno = error;
    return Finish(written == static_cast<ssize_t>(text.size()) ? 0 : -1);
}

NWCCODE SmbSession::OwnerAttribute(const std::string& path, const char* attribute, std::string& value)
{
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    char text[512] = {};
    if (smbc_getFunctionGetxattr(c)(c, Url(path).c_str(), attribute, text, sizeof text - 1) < 0) {
        // A server (or a port) that gives no security descriptor is no failure of the server.
        return errno == ENODATA || errno == ENOTSUP || errno == EINVAL ? SMB_ERR_IO_FAILURE : Finish(-1);
    }
    value = text;
    return SUCCESSFUL;
}

NWCCODE SmbSession::Owner(const std::string& path, std::string& name)
{
    if (NWCCODE code = OwnerAttribute(path, "system.nt_sec_desc.owner+", name))
        return code;
    if (const auto slash = name.rfind('\\'); slash != std::string::npos)
        name.erase(0, slash + 1);
    return name.empty() || name.compare(0, 2, "S-") == 0 ? SMB_ERR_IO_FAILURE : SUCCESSFUL;
}

NWCCODE SmbSession::OwnerSid(const std::string& path, std::string& sid)
{
    if (NWCCODE code = OwnerAttribute(path, "system.nt_sec_desc.owner", sid))
        return code;
    return sid.compare(0, 2, "S-") == 0 ? SUCCESSFUL : SMB_ERR_IO_FAILURE;
}

NWCCODE SmbSession::RemoveFolder(const std::string& path)
{
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    return Finish(smbc_getFunctionRmdir(c)(c, Url(path).c_str()));
}

NWCCODE SmbSession::Space(const std::string& share, std::uint64_t& totalBytes, std::uint64_t& freeBytes)
{
    if (NWCCODE code = Connect())
        return code;
    SMBCCTX* c = context_->context;
    std::string url = Url(share);
    struct statvfs st {};
    if (NWCCODE code = Finish(smbc_getFunctionStatVFS(c)(c, url.data(), &st)))
        return code;
    // libsmbclient fills f_bsize with the bytes per sector and f_frsize with
    // the sectors per allocation unit, which f_blocks and f_bavail count.
    const std::uint64_t unit = static_cast<std::uint64_t>(st.f_bsize) * (st.f_frsize ? st.f_frsize : 1);
    totalBytes = static_cast<std::uint64_t>(st.f_blocks) * unit;
    freeBytes = static_cast<std::uint64_t>(st.f_bavail) * unit;
    return SUCCESSFUL;
}
