// What a screen sees when a record it holds reports its own save: a clean
// stored record, so that a copy taken in the handler and saved again with
// the list is not stored twice, and a handler's failure after the write
// leaves the row stored.

#include "ScreensFixture.h"

#include "platform/vb/Err.h"
#include "records/CCityStates.h"
#include "records/CPhones.h"

class SavedHandler : public ScreensDbTest {
protected:
    QString scalar(const QString& sql)
    {
        testsupport::Db db(dbPath);
        return db.scalar(sql);
    }
};

TEST_F(SavedHandler, CopyTakenInTheHandlerIsNotStoredAgain)
{
    CCityStates list;
    auto row = std::make_shared<CCityState>();
    row->SetAreaCode("201");
    row->SetCity("Newark");
    row->SetState("NJ");
    int actions = 0;
    bool cleanInHandler = false;
    row->OnRecordsetSaved([&](const vb::Variant&, std::int32_t action) {
        actions += action == RecordInserted;
        cleanInHandler = !row->IsDirty() && !row->IsNew();
        list.AddItem(row, ":" + QString::number(row->CityStateID()));
    });
    ASSERT_TRUE(row->Save(true, true));
    EXPECT_EQ(actions, 1);
    EXPECT_TRUE(cleanInHandler);
    list.CollectionTemplate::Save(true, true);
    EXPECT_EQ(scalar("select count(*) from CityState"), "1");
}

TEST_F(SavedHandler, NewNumberDeletedBeforeTheListIsSavedIsNeverStored)
{
    {
        testsupport::Db db(dbPath);
        db.exec("create table phone201 (phone integer not null primary key)");
    }
    CPhones list;
    list.SetTableName("phone201");
    auto phone = std::make_shared<CPhone>();
    phone->SetTableName("phone201");
    phone->SetIsNew(true);
    phone->SetPhone(5551234);
    list.AddExisting(phone);
    phone->SetIsDeleted(true);
    list.CollectionTemplate::Save(true, true);
    EXPECT_EQ(scalar("select count(*) from phone201"), "0");
}

TEST_F(SavedHandler, HandlerFailingAfterTheWriteLeavesTheRowStoredAndClean)
{
    auto row = std::make_shared<CCityState>();
    row->SetAreaCode("202");
    row->SetCity("Washington");
    row->OnRecordsetSaved([](const vb::Variant&, std::int32_t) { vb::Raise(5); });
    try {
        row->Save(true, true);
    } catch (...) {
        vb::CatchError();
    }
    EXPECT_EQ(scalar("select count(*) from CityState"), "1");
    EXPECT_FALSE(row->IsDirty());
    EXPECT_NE(row->CityStateID(), 0);
}
