// SPDX-License-Identifier: GPL-3.0-or-later
// The trash client's one connection, opened as the program opens it.
#pragma once

#include <gtest/gtest.h>

#include "netware/trash/TrashClient.h"

inline NWCONN_HANDLE OpenTrashConnection(TrashClient& client)
{
    NWCONN_REF ref = 0;
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client.PrimaryConnRef(ref), 0);
    EXPECT_EQ(client.NWCCOpenConnByRef(ref, 1, 0, conn), 0);
    return conn;
}
