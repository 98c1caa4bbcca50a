// SPDX-License-Identifier: GPL-3.0-or-later
// The folder tree on an SMB server that does not answer: it says so in the
// tree instead of showing an empty server.
#include "netware/smb/SmbClient.h"
#include "widgets/ShellTreeView.h"

#include <QTreeWidget>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port on 127.0.0.1 where nothing listens (bound, never listened on).
struct ClosedPort {
    ClosedPort()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
    }
    ~ClosedPort() { ::close(fd); }
    int fd = -1;
    int port = 0;
};

TEST(UnreachableServerTreeTest, TheTreeSaysTheServerCannotBeListed)
{
    ClosedPort closed;
    ASSERT_NE(closed.port, 0);
    SmbServerSettings server;
    server.name = "FS9";
    server.host = "127.0.0.1";
    server.port = closed.port;
    server.timeoutSeconds = 1;
    SmbClient client({server}, {});
    NWClientBackend* previous = SetClientBackend(&client);
    ASSERT_EQ(client.ClientStartup(0, 0), 0);
    {
        ShellTreeView view;
        view.setRoot("\\\\FS9\\");
        const QTreeWidgetItem* top = view.treeWidget()->topLevelItem(0);
        ASSERT_EQ(top->childCount(), 1);
        const std::string note = top->child(0)->text(0).toStdString();
        EXPECT_EQ(note.rfind("The volumes of \\\\FS9\\ cannot be listed: 0x", 0), 0u) << note;
        EXPECT_FALSE(top->child(0)->flags() & Qt::ItemIsSelectable) << "no folder to collect";
    }
    SetClientBackend(previous);
}

}  // namespace
