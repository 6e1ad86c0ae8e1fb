// The data source and driver lists as the driver manager reports them from
// the odbc.ini and odbcinst.ini files in force.

#include "OdbcIniFiles.h"
#include "platform/odbc/DriverManager.h"

#include <gtest/gtest.h>

namespace {

QStringList listed(const std::vector<odbc::DataSource>& sources)
{
    QStringList result;
    for (const auto& s : sources)
        result << s.name + QLatin1Char('>') + s.description;
    result.sort();
    return result;
}

} // namespace

TEST(DataSourceList, ListsUserAndSystemSourcesWithTheirDrivers)
{
    OdbcIniFiles ini;
    EXPECT_TRUE(odbc::DataSources().empty());
    ini.writeUser("[Calls]\nDriver=PostgreSQL Unicode\nDatabase=calls\n\n[Stock]\nDriver=MariaDB Unicode\n");
    ini.writeSystem("[Office]\nDriver=PostgreSQL Unicode\nServername=db.office\n");
    EXPECT_EQ(listed(odbc::DataSources()), (QStringList{QStringLiteral("Calls>PostgreSQL Unicode"),
                                                        QStringLiteral("Office>PostgreSQL Unicode"),
                                                        QStringLiteral("Stock>MariaDB Unicode")}));

    // The files are read again for every list.
    ini.writeUser({});
    EXPECT_EQ(listed(odbc::DataSources()), QStringList{QStringLiteral("Office>PostgreSQL Unicode")});
}

TEST(DataSourceList, ListsInstalledDrivers)
{
    OdbcIniFiles ini;
    EXPECT_TRUE(odbc::Drivers().isEmpty());
    ini.writeDrivers(
        "[PostgreSQL Unicode]\nDriver=/nowhere/psqlodbcw.so\n\n[MariaDB Unicode]\nDriver=/x.so\n");
    QStringList drivers = odbc::Drivers();
    drivers.sort();
    EXPECT_EQ(drivers,
              (QStringList{QStringLiteral("MariaDB Unicode"), QStringLiteral("PostgreSQL Unicode")}));
}
