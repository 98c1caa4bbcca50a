// SPDX-License-Identifier: GPL-3.0-or-later
// Client start-up, the primary connection, the connection list and the tree
// and server names of connections.
#include <cstring>

#include "netware/D_NW.h"
#include "util/D_Util.h"
#include "util/MessagePump.h"

NWCONN_HANDLE PrimaryConnection = PrimaryNotOpened;

void ResetPrimaryConnectionForTesting()
{
    PrimaryConnection = PrimaryNotOpened;
}

NWCCODE InitNetWare()
{
    const NWCCODE code = OpenPrimaryConnection();
    if (code != 0)
        ReportNWError(code, code == ERR_CLIENT_NOT_STARTED ? "Could not initialize NetWare Client. InitNetWare"
                                                           : "Could not find server/tree connection. InitNetWare");
    return code;
}

NWCCODE OpenPrimaryConnection()
{
    if (PrimaryConnection != PrimaryNotOpened)
        return 0;

    NWCCODE code = ClientStartup(0, 0);
    if (code != 0)
        return code;

    nuint32 iterator = 0;
    NWCONN_REF reference = 0;
    code = NextConnRef(iterator, reference);
    if (code != 0)
        return code;

    NWCONN_REF primary = 0;
    if (PrimaryConnRef(primary) == 0)
        reference = primary;

    // Opened into a local: a client that writes the handle on a failed open
    // must not leave the primary connection looking opened, or the next start
    // would report success without a connection.
    NWCONN_HANDLE handle = PrimaryNotOpened;
    code = NWCCOpenConnByRef(reference, 1, 0, handle);
    if (code == 0)
        PrimaryConnection = handle;
    return code;
}

void ListServerConnections(std::vector<ServerConnectionItem>& list)
{
    nuint32 iterator = 0;
    for (;;) {
        NWCONN_REF reference = 0;
        const NWCCODE code = NextConnRef(iterator, reference);
        PumpMessages();
        if (code != 0)
            break;
        std::string name;
        ConnRefServerName(reference, name);
        if (!name.empty())
            list.push_back({name, reference});
    }
}

namespace {
// The client writes at most 255 bytes; the extra byte keeps the text
// terminated whatever it wrote.
template <typename Info, typename Id>
NWCCODE InfoChars(Info info, Id id, nuint32 infoType, char (&buffer)[256])
{
    const NWCCODE code = info(id, infoType, 255, buffer);
    buffer[255] = '\0';
    return code;
}

template <typename Info, typename Id>
NWCCODE InfoText(Info info, Id id, nuint32 infoType, std::string& text)
{
    char buffer[256] = {};
    const NWCCODE code = InfoChars(info, id, infoType, buffer);
    if (code == 0)
        text.assign(buffer);
    else
        text.clear();
    return code;
}
}  // namespace

NWCCODE ConnInfoText(NWCONN_HANDLE conn, nuint32 infoType, std::string& text)
{
    return InfoText(ConnInfo, conn, infoType, text);
}

NWCCODE ConnRefInfoText(NWCONN_REF connRef, nuint32 infoType, std::string& text)
{
    return InfoText(ConnRefInfo, connRef, infoType, text);
}

NWCCODE ConnTreeName(NWCONN_HANDLE conn, std::string& tree)
{
    // Trimmed in the buffer, so that only the name itself is copied: names
    // are aligned with their connection's tree for every user looked up.
    char buffer[256];
    buffer[0] = '\0';  // the client writes the rest, InfoChars ends it
    const NWCCODE code = InfoChars(ConnInfo, conn, NWCC_INFO_TREE_NAME, buffer);
    if (code != 0) {
        tree.clear();
        return code;
    }
    // The client pads tree names with "_" to 32 characters; a name's own
    // trailing underscores cannot be told apart and go too. The padding is
    // dropped eight characters at a time while it lasts.
    std::size_t length = strnlen(buffer, 32);
    static constexpr char padding[] = "________";
    while (length >= 8 && std::memcmp(buffer + length - 8, padding, 8) == 0)
        length -= 8;
    while (length > 0 && buffer[length - 1] == '_')
        --length;
    tree.assign(buffer, length);
    return code;
}

NWCCODE ConnServerName(NWCONN_HANDLE conn, std::string& server)
{
    return ConnInfoText(conn, NWCC_INFO_SERVER_NAME, server);
}

NWCCODE ConnRefServerName(NWCONN_REF connRef, std::string& server)
{
    return ConnRefInfoText(connRef, NWCC_INFO_SERVER_NAME, server);
}
