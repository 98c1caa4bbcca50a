// SPDX-License-Identifier: GPL-3.0-or-later
// The one connection of a client of local stores (the trash, the Windows
// bins), opened as the program opens it, and the scan of a folder as the
// purge job makes it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "netware/NWClientBackend.h"
#include "netware/trash/TrashClient.h"

// Installs a client for the free client calls (the walk, the error texts)
// while it lives.
struct InstalledBackend {
    explicit InstalledBackend(NWClientBackend& backend) : previous(SetClientBackend(&backend)) {}
    ~InstalledBackend() { SetClientBackend(previous); }
    NWClientBackend* previous;
};

template <class Client = TrashClient>
NWCONN_HANDLE OpenTrashConnection(Client& client)
{
    NWCONN_REF ref = 0;
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client.PrimaryConnRef(ref), 0);
    EXPECT_EQ(client.NWCCOpenConnByRef(ref, 1, 0, conn), 0);
    return conn;
}

// Scans the folder at the volume path: visit(record, iteration, purge) for
// each entry, where purge() purges it and returns the code; the scan ends
// when visit returns false. False when the folder cannot be scanned.
template <class Visit, class Client = TrashClient>
bool ScanTrashFolder(Client& client, NWCONN_HANDLE conn, const std::string& volumePath, const Visit& visit)
{
    NWDIR_HANDLE handle = 0;
    if (client.NWAllocTemporaryDirectoryHandle(conn, 0, volumePath.c_str(), handle, nullptr) != 0)
        return false;
    nuint32 iteration = 0xFFFFFFFF, dirBase = 0;
    nuint8 number = 0;
    NWDELETED_INFO record{};
    while (client.NextDeletedFile(conn, handle, iteration, number, dirBase, record) == 0) {
        auto purge = [&] { return client.NWPurgeDeletedFile(conn, handle, iteration, number, dirBase, record.name); };
        if (!visit(record, iteration, purge))
            break;
    }
    client.ReleaseDirHandle(conn, handle);
    return true;
}
