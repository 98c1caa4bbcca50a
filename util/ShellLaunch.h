// SPDX-License-Identifier: GPL-3.0-or-later
// Starting a command line, a document, a folder or a web address: a program
// path with blanks needs no quotes, a command-interpreter built-in runs through
// the interpreter, anything else is opened with its associated program.
#pragma once

#include <functional>
#include <string>
#include <vector>

// What ShellLaunch asks the launcher to start.
struct LaunchRequest {
    std::string operation = "open";
    std::string file;
    std::string parameters;
    std::string folder;            // working folder; empty: the current one
    int showMode = 1;              // 1: show normal
    bool commandInterpreter = false;  // file is the interpreter; parameters = switch + command line
    bool openOnly = false;            // file is opened with its associated program, never run
};

// Returns above 32 when started, 32 or below on failure (2: file not found).
using Launcher = std::function<int(const LaunchRequest&)>;

// Installs a launcher and returns the previous one; an empty launcher restores
// the real one. Tests capture requests this way, so no process is started.
Launcher SetLauncher(Launcher launcher);

// The environment variable's value; empty when unset. An exact name is found
// first, else one that differs only in ASCII letter case (COMSPEC, comspec).
std::string GetEnvVar(const std::string& name);

// One of CD COPY DEL DIR ECHO MD PATH PROMPT REM REN RD SET TRUENAME TYPE VER,
// in any letter case.
bool IsShellBuiltin(const std::string& word);

// Hands a request to the installed launcher and returns its result.
int Launch(const LaunchRequest& request);

// Without $COMSPEC a built-in gets an empty file and fails: no text ever
// reaches a shell the user did not name.
int ShellLaunch(const std::string& command, int showMode);
int ShellOpen(const std::string& command);

// The real launcher, apart from its start: the argument vector and working
// folder for a request. Texts become single arguments, never shell input; only
// the interpreter request hands its command line to the interpreter.
struct LaunchPlan {
    std::vector<std::string> argv;  // empty: nothing can be started
    std::string workingFolder;
    int failure = 0;                // when argv is empty: the result code
};
LaunchPlan BuildLaunchPlan(const LaunchRequest& request);

// Splits parameters into arguments: blanks and control characters separate,
// double quotes group text with blanks and are removed.
std::vector<std::string> SplitArguments(const std::string& parameters);

// Result codes of the launcher.
inline constexpr int LaunchStarted = 42;
inline constexpr int LaunchOutOfResources = 0;
inline constexpr int LaunchFileNotFound = 2;
inline constexpr int LaunchPathNotFound = 3;
inline constexpr int LaunchAccessDenied = 5;
inline constexpr int LaunchBadFormat = 11;
inline constexpr int LaunchNoAssociation = 31;
