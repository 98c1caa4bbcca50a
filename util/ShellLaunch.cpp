// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/ShellLaunch.h"

#include "util/D_Util.h"
#include "util/PathParts.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const std::vector<std::string> Builtins = {"CD",  "COPY", "DEL", "DIR", "ECHO", "MD",       "PATH", "PROMPT",
                                           "REM", "REN",  "RD",  "SET", "TRUENAME", "TYPE", "VER"};

bool IsExistingFile(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code error;
    return std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error);
}

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// "http://...", "mailto:...", "www.example.com": addresses for the browser.
bool IsAddress(const std::string& text)
{
    if (AsciiUpper(text.substr(0, 4)) == "WWW.")
        return true;
    std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2)  // "C:" is a drive, not a scheme
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        char c = text[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!(letter || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))))
            return false;
    }
    return true;
}

int ResultForErrno(int error)
{
    switch (error) {
    case ENOENT: return LaunchFileNotFound;
    case ENOTDIR: return LaunchPathNotFound;
    case EACCES:
    case EPERM: return LaunchAccessDenied;
    case ENOEXEC: return LaunchBadFormat;
    default: return LaunchOutOfResources;
    }
}

// Starts argv detached: the grandchild runs the program and is adopted by init,
// so nothing is left to reap and nobody waits for it. A close-on-exec pipe
// carries the errno back when the start itself fails.
int StartDetached(const LaunchPlan& plan)
{
    std::vector<char*> argv;
    for (const auto& a : plan.argv)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const char* folder = plan.workingFolder.empty() ? nullptr : plan.workingFolder.c_str();

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return LaunchOutOfResources;

    pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return LaunchOutOfResources;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        ::close(pipeFds[0]);
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                int error = errno;
                (void)!::write(pipeFds[1], &error, sizeof error);
            }
            ::_exit(0);
        }
        int error = 0;
        if (folder && ::chdir(folder) != 0) {
            error = errno == ENOENT ? ENOTDIR : errno;
        } else {
            ::execv(argv[0], argv.data());
            error = errno;
        }
        (void)!::write(pipeFds[1], &error, sizeof error);
        ::_exit(127);
    }

    ::close(pipeFds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = ::read(pipeFds[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    if (got == static_cast<ssize_t>(sizeof error))
        return ResultForErrno(error);
    return LaunchStarted;
}

std::string FindOnPath(const std::string& program)
{
    std::string path = GetEnvVar("PATH");
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        std::string dir = path.substr(start, end - start);
        if (!dir.empty()) {
            std::string candidate = dir + "/" + program;
            if (IsExecutableFile(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

int RealLauncher(const LaunchRequest& request)
{
    LaunchPlan plan = BuildLaunchPlan(request);
    if (plan.argv.empty())
        return plan.failure;
    if (plan.argv[0] == "xdg-open") {
        plan.argv[0] = FindOnPath("xdg-open");
        if (plan.argv[0].empty())
            return LaunchNoAssociation;
    }
    return StartDetached(plan);
}

Launcher& Installed()
{
    static Launcher launcher = RealLauncher;
    return launcher;
}

} // namespace

Launcher SetLauncher(Launcher launcher)
{
    Launcher previous = Installed();
    Installed() = launcher ? std::move(launcher) : Launcher(RealLauncher);
    return previous;
}

std::string GetEnvVar(const std::string& name)
{
    if (name.empty())
        return {};
    if (const char* value = std::getenv(name.c_str()))
        return value;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string text = *entry;
        std::size_t eq = text.find('=');
        if (eq != std::string::npos && SameTextAscii(text.substr(0, eq), name))
            return text.substr(eq + 1);
    }
    return {};
}

bool IsShellBuiltin(const std::string& word) { return StrInList(word, Builtins, false); }

int ShellLaunch(const std::string& command, int showMode)
{
    LaunchRequest request;
    request.showMode = showMode;

    // The shortest run of leading words that names an existing file is the
    // program; the rest are its parameters.
    std::string file, parameters = command, word;
    bool found = false;
    for (;;) {
        SplitFirst(parameters, " ", word, parameters);
        file = JoinNonEmpty(file, word, " ");
        if (IsExistingFile(file)) {
            found = true;
            break;
        }
        if (word.empty())
            break;
    }

    if (found) {
        request.folder = ExtractFilePath(file);
    } else {
        std::string firstWord;
        SplitFirst(command, " ", firstWord, parameters);
        if (IsShellBuiltin(firstWord)) {
            // Only an interpreter the user named on purpose runs a built-in;
            // without one the file stays empty and the start fails.
            file = GetEnvVar("COMSPEC");
            parameters = "/C " + command;
            request.commandInterpreter = true;
        }
        // Otherwise the joined words stay the file: a folder path with blanks
        // is handed over whole.
    }
    request.file = file;
    request.parameters = parameters;
    return Launch(request);
}

int Launch(const LaunchRequest& request)
{
    // A copy: the launcher may install another one while it runs.
    Launcher launcher = Installed();
    return launcher(request);
}

int ShellOpen(const std::string& command) { return ShellLaunch(command, 1); }

std::vector<std::string> SplitArguments(const std::string& parameters)
{
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false, quoted = false;
    for (char c : parameters) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && static_cast<unsigned char>(c) <= ' ') {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

LaunchPlan BuildLaunchPlan(const LaunchRequest& request)
{
    LaunchPlan plan;
    if (request.file.empty()) {
        plan.failure = LaunchFileNotFound;
        return plan;
    }
    if (request.openOnly) {
        // Checked by the caller; handed over whole, whatever it holds.
        plan.argv = {"xdg-open", request.file};
        return plan;
    }
    if (request.commandInterpreter) {
        // The interpreter gets its switch and the command line as one argument.
        std::string option, commandLine;
        SplitFirst(request.parameters, " ", option, commandLine);
        plan.argv = {request.file, option, commandLine};
        plan.workingFolder = request.folder;
        return plan;
    }
    if (IsExecutableFile(request.file)) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(request.file, error);
        plan.argv.push_back(error ? request.file : absolute.string());
        for (auto& argument : SplitArguments(request.parameters))
            plan.argv.push_back(std::move(argument));
        plan.workingFolder = request.folder;
        return plan;
    }
    // A document, folder or address is opened, never run; parameters have no
    // meaning for it. A leading "-" must not read as an option of the opener.
    std::string target = request.file;
    std::error_code error;
    if (std::filesystem::exists(target, error)) {
        if (target.front() == '-')
            target = "./" + target;
    } else if (!IsAddress(target)) {
        plan.failure = LaunchFileNotFound;
        return plan;
    }
    plan.argv = {"xdg-open", target};
    return plan;
}
