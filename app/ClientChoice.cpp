// SPDX-License-Identifier: GPL-3.0-or-later
// The one place the client back end is chosen.
#include "app/ClientChoice.h"

#include <exception>

#include "netware/UnavailableClient.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/smb/SmbClient.h"
#include "netware/smb/library/SmbClientLibrary.h"
#include "netware/trash/TrashClient.h"
#include "netware/windows/WindowsBinClient.h"
#include "util/D_Util.h"
#include "util/FileText.h"
#include "util/LoginBox.h"
#include "util/Switches.h"

namespace {

// The login box, asked through the installed handler; an automatic run never asks.
SmbLoginPrompt SmbLoginBox()
{
    if (SwitchGiven("auto", 2))
        return {};
    return [](const std::string& server, SmbCredentials& credentials) {
        LoginAnswer answer{credentials.user, "", credentials.domain};
        if (!AskLogin(server, answer))
            return false;
        credentials.user = answer.user;
        credentials.password = SmbSecret::Take(answer.password);
        credentials.domain = answer.domain;
        return true;
    };
}

std::unique_ptr<NWClientBackend> CreateSmbClient()
{
    const std::string file = SwitchValue("servers", 3, DefaultServersFile());
    // A servers file that cannot be read starts no client: the window says
    // why, as for an emulated network that cannot be opened.
    try {
        std::vector<SmbServerSettings> servers = ReadServersFile(file);
        std::string mounts;
        if (ReadFileText("/proc/self/mounts", mounts) == 0)
            AddMountedServers(mounts, servers);
        // Without a server there is nothing to connect to: the start-up
        // message says where servers are set up.
        if (servers.empty())
            return std::make_unique<UnavailableClient>(NoSmbServerText(file));
        std::string libraryError;
        if (!LoadSmbClientLibrary(libraryError))
            return std::make_unique<UnavailableClient>(libraryError);
        return std::make_unique<SmbClient>(std::move(servers), SmbLoginBox());
    } catch (const std::exception& e) {
        return std::make_unique<UnavailableClient>(e.what());
    }
}

std::string ChosenClient()
{
    return SwitchValue("client", 1, "emulated");
}

}  // namespace

std::string NoSmbServerText(const std::string& serversFile)
{
    return "no SMB server is set up: add a section for each server to " + serversFile +
           " (see \"The servers file\" in the README or in man morvane)";
}

std::string FolderTreeNoteWithoutClient()
{
    const std::string client = ChosenClient();
    if (SameTextAscii(client, "smb"))
        return "No SMB server to show. Servers are set up in " + SwitchValue("servers", 3, DefaultServersFile()) +
               " (see \"The servers file\" in the README).";
    if (SameTextAscii(client, "trash"))
        return "No trash can to show: the trash client did not start.";
    return std::string();
}

ClientChoice CreateClientBackend()
{
    ClientChoice choice;
    const std::string client = ChosenClient();
    if (SameTextAscii(client, "smb")) {
        choice.backend = CreateSmbClient();
    } else if (SameTextAscii(client, "trash")) {
        choice.backend = std::make_unique<TrashClient>(TrashClient::EnvironmentSource(SystemTrashEnvironment));
    } else if (!client.empty() && client.size() <= 7 && SameTextAscii(client, std::string("windows").substr(0, client.size()))) {
        // No other client begins with "w": any beginning of the name will do.
        choice.backend = std::make_unique<WindowsBinClient>(WindowsBinClient::EnvironmentSource(SystemWindowsBinEnvironment));
    } else if (SameTextAscii(client, "emulated")) {
        // Without its network the client cannot start: the window reports that
        // once, as its client start-up failure with the reason, and runs on
        // without connections.
        try {
            choice.backend = OpenDefaultNetwork();
        } catch (const std::exception& e) {
            // The reason names the network once, whether or not the error did.
            const std::string path = DefaultNetworkPath();
            std::string reason = e.what();
            if (reason.find(path) == std::string::npos)
                reason = "network " + path + ": " + reason;
            choice.backend = std::make_unique<UnavailableClient>(reason);
        }
    } else {
        choice.unknownClient = true;
        choice.error = "Unknown client \"" + client + "\": use client=emulated, client=trash, client=smb or client=windows";
    }
    return choice;
}
