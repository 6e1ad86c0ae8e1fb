#pragma once
// Shared by the record tests: the data fixture (a fresh gDataAccess on a
// temporary program database) and a recorder for RecordsetSaved.

#include "core/DataTestSupport.h"

#include <QList>
#include <QPair>

namespace rectest {

using datatest::DataTest;
using datatest::JetCs;

// Every RecordsetSaved a record raised, as (key text, action).
struct SavedEvents {
    QList<QPair<QString, int>> events;

    template <class R> void attach(R& record)
    {
        record.OnRecordsetSaved([this](const vb::Variant& key, std::int32_t action) {
            events.append({key.text(), int(action)});
        });
    }
};

} // namespace rectest
