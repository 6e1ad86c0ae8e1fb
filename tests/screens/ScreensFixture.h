#pragma once
// The grid screens' tests: a program database of their own in a temporary
// folder with the program-wide objects pointed at it, scripted dialogs, and
// a record list held in memory for the grid.

#include "support/ProgramObjects.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUi.h"
#include "support/SqliteFile.h"

#include "core/VAVURDataSource.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace screentest {

// A list of rows of variants; records and fields from 1.
class FakeList : public VAVURDataSource {
public:
    FakeList(QStringList fields, std::vector<std::vector<vb::Variant>> rows)
        : fields(std::move(fields)), rows(std::move(rows)), deleted(this->rows.size(), false)
    {
    }

    void SetItem(const vb::Variant&, const std::shared_ptr<VAVURDataSourceSingle>&) override {}
    std::shared_ptr<VAVURDataSourceSingle> GetItem(const vb::Variant&) override { return nullptr; }
    QString GetFieldName(std::int32_t column) override
    {
        return column >= 1 && column <= fields.size() ? fields.at(column - 1) : QString();
    }
    vb::Variant GetData(std::int32_t column, std::int32_t row) override
    {
        if (row < 1 || row > std::int32_t(rows.size()) || column < 1 || column > fields.size())
            return vb::Variant();
        return rows[std::size_t(row - 1)][std::size_t(column - 1)];
    }
    void SetData(std::int32_t, std::int32_t, const vb::Variant&) override {}
    std::int32_t GetRecordCount() override { return std::int32_t(rows.size()); }
    std::int32_t GetFieldCount() override { return std::int32_t(fields.size()); }
    bool Save(bool startTran, bool sqlInsert) override
    {
        ++saves;
        lastSaveArgs = {startTran, sqlInsert};
        return true;
    }
    void SetIsDeleted(std::int32_t row, bool value) override
    {
        if (row >= 1 && row <= std::int32_t(deleted.size())) deleted[std::size_t(row - 1)] = value;
    }
    bool IsDeleted(std::int32_t row) override
    {
        return row >= 1 && row <= std::int32_t(deleted.size()) && deleted[std::size_t(row - 1)];
    }

    // The records marked deleted, from 1.
    std::vector<int> DeletedRecords() const
    {
        std::vector<int> out;
        for (std::size_t i = 0; i < deleted.size(); ++i)
            if (deleted[i]) out.push_back(int(i + 1));
        return out;
    }

    QStringList fields;
    std::vector<std::vector<vb::Variant>> rows;
    std::vector<bool> deleted;
    int saves = 0;
    std::pair<bool, bool> lastSaveArgs{false, false};
};

} // namespace screentest

// A database of the test's own with the program-wide objects on it.
class ScreensDbTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        dbPath = dir.filePath(QStringLiteral("Tervala.mdb"));
        testsupport::MakeDatabase(dbPath);
        cs = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath;
        testsupport::OpenProgramObjects(cs);
    }
    void TearDown() override
    {
        testsupport::CloseProgramObjects();
        ScriptedUiTest::TearDown();
    }

    QTemporaryDir dir;
    QString dbPath;
    QString cs;
};
