// The table and field counts the source panel sizes its lists by: those of
// the current profile, whatever its source lists.

#include "core/CDataStrings.h"
#include "core/Globals.h"
#include "platform/vb/Err.h"
#include "records/CDataTypeInfo.h"
#include "records/ModuleConnectString.h"
#include "support/ScriptedUi.h"
#include "support/SqliteFile.h"

#include <QTemporaryDir>

namespace {

struct DatabaseTables {
    const char* name;
    const char* sql;
    std::int32_t tables;
};

void PrintTo(const DatabaseTables& c, std::ostream* os)
{
    *os << c.name;
}

class CurrentProfileCounts : public ::testing::TestWithParam<DatabaseTables> {
protected:
    void TearDown() override { gCurDataTypeInfo.reset(); }
    QTemporaryDir dir;
};

} // namespace

TEST_P(CurrentProfileCounts, CountTheTablesAndFieldsTheCurrentProfileListed)
{
    ui_test::ScopedScriptedUi ui;
    const QString file = dir.filePath(QStringLiteral("calls.mdb"));
    {
        testsupport::Db db(file);
        db.exec(QStringLiteral("create table Keep (x integer);") + QString::fromLatin1(GetParam().sql));
        db.exec(QStringLiteral("drop table Keep"));
    }
    gCurDataTypeInfo = std::make_shared<CDataTypeInfo>();
    gCurDataTypeInfo->SetDataType(QStringLiteral("ACCESS"));
    gCurDataTypeInfo->SetDataDBName(file);
    gCurDataTypeInfo->GetAccessConnString();
    EXPECT_EQ(gCurDataTypeInfo->GetTables(), GetParam().tables > 0);
    EXPECT_EQ(GetTableNameCount(), GetParam().tables);
    EXPECT_EQ(GetTableFieldCount(), 0) << "no fields listed yet";
    if (GetParam().tables > 0) {
        gCurDataTypeInfo->GetFields(gCurDataTypeInfo->TableNameData()->Item(1)->ItemValue());
        EXPECT_EQ(GetTableFieldCount(), 3);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Databases, CurrentProfileCounts,
    ::testing::Values(DatabaseTables{"no_table", "", 0},
                      DatabaseTables{"one_table", "create table Calls (Name text, Phone text, Note text);",
                                     1},
                      DatabaseTables{"two_tables",
                                     "create table Calls (Name text, Phone text, Note text);"
                                     "create table Leads (Name text, Phone text, Note text);",
                                     2}),
    [](const ::testing::TestParamInfo<DatabaseTables>& info) { return std::string(info.param.name); });

TEST(CurrentProfileCountsWithoutProfile, RaiseObjectNotSet)
{
    gCurDataTypeInfo.reset();
    for (auto count : {&GetTableNameCount, &GetTableFieldCount}) {
        try {
            count();
            ADD_FAILURE() << "no error without a current profile";
        } catch (const vb::ErrObject& e) {
            EXPECT_EQ(e.Number, vb::errnum::ObjectVariableNotSet);
        }
    }
}
