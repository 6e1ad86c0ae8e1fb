// The connection dialog as the connection object opens it: the one
// registered at start-up, on this connection, or none at all.
#include "core/CDataConnection.h"

#include <gtest/gtest.h>

TEST(ConnectionDialogHook, ShowMeEditsThisConnectionInTheRegisteredDialogOrChangesNothing)
{
    CDataConnection connection;
    connection.SetDatabase(QStringLiteral("/data/first.mdb"));
    connection.ShowMe(1);
    EXPECT_EQ(connection.Database(), QStringLiteral("/data/first.mdb"));

    int shown = 0;
    RegisterConnectionDialog([&](CDataConnection& edited) {
        ++shown;
        EXPECT_EQ(&edited, &connection);
        edited.SetDatabase(QStringLiteral("/data/second.mdb"));
    });
    connection.ShowMe(1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(connection.Database(), QStringLiteral("/data/second.mdb"));

    RegisterConnectionDialog(nullptr);
    connection.ShowMe(1);
    EXPECT_EQ(shown, 1);
}
