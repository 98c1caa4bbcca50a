// SPDX-License-Identifier: GPL-3.0-or-later
// The connection references and handles every back end hands out.
#include <gtest/gtest.h>

#include "netware/ConnectionTable.h"

TEST(ConnectionTableTest, ReferencesNameOnlyTheWorkstationsServers)
{
    const std::vector<ConnectionTable::Server> servers = {3, 1};
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    ASSERT_EQ(ConnectionTable::NextRef(servers, iterator, ref), SUCCESSFUL);
    EXPECT_EQ(ConnectionTable::ServerOfRef(ref, servers), 3);
    ASSERT_EQ(ConnectionTable::NextRef(servers, iterator, ref), SUCCESSFUL);
    EXPECT_EQ(ConnectionTable::ServerOfRef(ref, servers), 1);
    EXPECT_EQ(ConnectionTable::NextRef(servers, iterator, ref), ERR_CONNECTION_NOT_FOUND);

    EXPECT_EQ(ConnectionTable::ServerOfRef(ConnectionTable::RefOf(2), servers), 0);
    EXPECT_EQ(ConnectionTable::ServerOfRef(1, servers), 0);  // a handle, not a reference
    EXPECT_EQ(ConnectionTable::ServerOfRef(ConnectionTable::RefOf(0), {0}), 0);
}

TEST(ConnectionTableTest, HandlesSkipTheValuesThatMeanNoConnection)
{
    ConnectionTable table;
    EXPECT_EQ(table.OpenOn(7), 0u);
    const NWCONN_HANDLE first = table.Open(7);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(table.ServerOf(first), 7);
    EXPECT_EQ(table.OpenOn(7), first);
    for (int i = 0; i < 0x10010; ++i) {
        const NWCONN_HANDLE conn = table.Open(1);
        ASSERT_TRUE(conn != 999 && conn != 0xFFFF && conn != 0) << conn;
        table.Close(conn);
    }
    EXPECT_TRUE(table.Close(first));
    EXPECT_FALSE(table.Close(first));
    EXPECT_FALSE(table.IsOpen(first));
    EXPECT_EQ(table.OpenOn(7), 0u);
}
