#pragma once
// What the record list screens (phone list, area code/city/state list)
// share: the keyed toolbar, writing the rows marked deleted, the
// save-on-close question, and taking a record saved by the edit dialog into
// the list and the grid.

#include "core/CDataAccess.h"
#include "core/Globals.h"
#include "core/RecordTemplate.h"
#include "platform/ui/Services.h"
#include "platform/vb/Err.h"
#include "screens/DataViewGrid.h"

#include <QString>
#include <QStyle>
#include <functional>
#include <initializer_list>
#include <memory>

class QToolBar;

struct ToolbarButtonDef {
    const char* key;
    const char* caption;
    const char* tip;
    QStyle::StandardPixmap icon;
};

// Adds one button per definition; each action carries its key as objectName
// and "Key" property, and a press calls onClick with the key.
void BuildToolbar(QToolBar* bar, std::initializer_list<ToolbarButtonDef> buttons,
                  const std::function<void(const QString& key)>& onClick);

// The buttons' states after loading: New, Delete and the editing entries
// (Form, the Tools items, where the screen has them) follow editable; Save
// and Cancel are off.
void SetListToolbar(QToolBar* bar, bool editable);
// While deletions are pending New, Refresh and Form are off and Save and
// Cancel follow editable; otherwise the other way round.
void SetListEditState(QToolBar* bar, bool pending, bool editable);

// Closing with changes pending: asks "Record has been changed. Do you want
// To save it?"; Yes saves the grid's list. False when the user chose Cancel.
bool AskSaveOnClose(bool pending, DataViewGrid& grid);

// Toolbar Delete: the grid marks its selected rows deleted (and raises
// Dirty); the current row's record is marked too, but only when the grid
// shows that row deleted: a row dropped from the selection with Ctrl+click
// stays current and must not be deleted on Save. Nothing without a data row.
template <class List> void DeleteSelectedRows(DataViewGrid& grid, List& list)
{
    if (grid.Rows() < 2) return;
    grid.Delete();
    if (!grid.IsRowDeleted(grid.Row())) return;
    if (const auto record = list.Item(grid.CurrentRecord())) record->SetIsDeleted(true);
}

// Saves every record marked deleted (each deletes its row) on the shared
// connection, opened for the loop when it is closed. Single failures are
// reported by the records and do not stop the loop.
template <class List> void SaveDeletedRecords(List& list)
{
    if (!gDataAccess) vb::Raise(vb::errnum::ObjectVariableNotSet);
    auto loop = [&] {
        for (std::int32_t i = 1; i <= list.Count(); ++i)
            if (const auto record = list.Item(i); record && record->IsDeleted()) record->Save(true, true);
    };
    if (gDataAccess->IsConnected()) {
        loop();
    } else {
        gDataAccess->OpenConnection(QString(), false);
        loop();
        gDataAccess->CloseConnection();
    }
}

// The edit dialog saved the screen's record: an insert appends a copy (under
// newKey) and a grid row; an update copies it into the list's record that
// isSame finds, the current one first, then row by row; one not found is
// appended as an insert is.
template <class List, class Record>
void TakeSavedRecord(std::int32_t action, List& list, DataViewGrid& grid,
                     const std::shared_ptr<Record>& saved, const QString& newKey,
                     const std::function<bool(const Record&)>& isSame)
{
    auto append = [&] {
        list.AddItem(saved, newKey);
        grid.Update(-1);
    };
    if (action == RecordInserted) {
        append();
        return;
    }
    if (action != RecordUpdated) return;
    auto matches = [&] {
        const auto r = list.Item(grid.CurrentRecord());
        return r && isSame(*r);
    };
    bool found = matches();
    for (std::int32_t row = 1; !found && row < grid.Rows(); ++row) {
        grid.SetRow(row);
        found = matches();
    }
    if (!found) {
        append();
        return;
    }
    list.Item(grid.CurrentRecord())->CopyMe(*saved);
    grid.Update(grid.Row());
}
