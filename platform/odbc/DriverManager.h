#pragma once
// The ODBC driver manager's lists, as the connection dialog shows them: the
// data source names (user and system) with the description of the driver
// each one uses, and the drivers installed on the machine. unixODBC reads
// its odbc.ini and odbcinst.ini afresh for every environment allocated here,
// so the lists follow the files (ODBCINI, ODBCSYSINI and ODBCINSTINI name
// them when set).
//
// Nothing here throws: a missing or failing driver manager gives whatever
// was read before the failure, usually nothing.

#include <QString>
#include <QStringList>
#include <vector>

namespace odbc {

// Return codes of the driver manager, as SQLRETURN.
constexpr int SQL_SUCCESS_CODE = 0;
constexpr int SQL_ERROR_CODE = -1;

// SQLDataSources directions.
constexpr int FetchNext = 1;
constexpr int FetchFirst = 2;
constexpr int FetchFirstUser = 31;
constexpr int FetchFirstSystem = 32;

struct DataSource {
    QString name;        // the data source name
    QString description; // the driver it uses, as the driver manager reports it
};

// One ODBC environment (ODBC 3 behaviour); released with the object.
class Environment {
public:
    Environment();
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // False when the driver manager would not allocate an environment.
    bool IsValid() const { return m_env != nullptr; }
    // The return code of the allocation (0 success, -1 error).
    int AllocResult() const { return m_allocResult; }

    // One SQLDataSources call: the next data source in the given direction.
    // Returns the driver manager's code (0 or 1 when a source came back, 100
    // at the end, -1 on error). Names longer than 1023 bytes are cut.
    int NextDataSource(int direction, DataSource& out);
    // One SQLDrivers call: the next installed driver's name.
    int NextDriver(int direction, QString& out);

private:
    void* m_env = nullptr;
    int m_allocResult = SQL_ERROR_CODE;
};

// All data sources, user ones and system ones, in the driver manager's order.
std::vector<DataSource> DataSources();
// The names of the installed drivers (the sections of odbcinst.ini).
QStringList Drivers();

} // namespace odbc
