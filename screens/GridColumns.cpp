#include "screens/GridColumns.h"

#include "core/ErrorReport.h"
#include "platform/vb/Err.h"

#include <algorithm>

GridColumns::GridColumns(QString listName, std::vector<DefaultColumn> defaults, QString hostModule)
    : m_listName(std::move(listName)), m_defaults(std::move(defaults)), m_module(std::move(hostModule))
{
}

void GridColumns::SetDefaultColumns(VAVURDataSource& data)
{
    m_list = std::make_shared<CGridPropertys>();
    m_list->SetListName(m_listName);
    m_list->LoadRelated();
    for (std::int32_t i = 1; i <= data.GetFieldCount(); ++i) {
        const QString name = data.GetFieldName(i);
        const QString key = QStringLiteral(":") + name;
        if (m_list->Item(key)) continue;
        auto row = std::make_shared<CGridProperty>();
        row->SetColName(name);
        const QString upper = name.toUpper();
        const auto d = std::find_if(m_defaults.begin(), m_defaults.end(),
                                    [&](const DefaultColumn& c) { return c.field == upper; });
        if (d != m_defaults.end()) {
            row->SetColCaption(d->caption);
            row->SetColWidth(d->width);
            row->SetControlType(d->controlType);
            row->SetHidden(d->hidden);
        } else {
            // A field the host has no defaults for is shown under its own name.
            row->SetColCaption(name);
        }
        row->SetColFormat(QString());
        row->SetAlign(0);
        row->SetListName(m_listName);
        row->SetEmplID(0);
        m_list->AddExisting(row, key);
    }
}

void GridColumns::FetchColumnSetup(ColumnSetup& setup) const
{
    if (!m_list) return;
    const auto row = m_list->Item(QStringLiteral(":") + setup.ColName);
    if (!row) return;
    setup.ColName = row->ColCaption();
    setup.ControlType = row->ControlType();
    setup.Alignment = row->Align();
    setup.Hidden = row->Hidden();
    setup.ColWidth = row->ColWidth();
    setup.ColFormat = row->ColFormat();
}

void GridColumns::Attach(DataViewGrid& grid)
{
    grid.FetchColumnSetup = [this](ColumnSetup& setup) { FetchColumnSetup(setup); };
}

void GridColumns::SetColWidth(DataViewGrid& grid, bool save)
{
    try {
        const auto data = grid.DataSource();
        if (m_list && data) {
            for (std::int32_t i = 1; i <= data->GetFieldCount(); ++i) {
                const auto row = m_list->Item(QStringLiteral(":") + data->GetFieldName(i));
                // A hidden column shows no width; its stored one stays.
                if (!row || row->Hidden()) continue;
                row->SetColWidth(std::max(grid.ColWidth(i), 0));
            }
        }
        if (save && m_list) {
            m_list->Save(false, true);
            m_list.reset();
        }
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, m_module, QStringLiteral("SetColWidth"), false);
    }
}

std::vector<DefaultColumn> GridPropertyDefaults()
{
    return {
        {QStringLiteral("ID"), QStringLiteral("ID"), 800, 5, true},
        {QStringLiteral("EMPLID"), QStringLiteral("EmplID"), 800, 5, false},
        {QStringLiteral("COLNAME"), QStringLiteral("Name"), 2240, 0, false},
        {QStringLiteral("COLCAPTION"), QStringLiteral("Caption"), 2240, 0, false},
        {QStringLiteral("COLWIDTH"), QStringLiteral("Width"), 800, 5, false},
        {QStringLiteral("ALIGN"), QStringLiteral("Align"), 370, 1, false},
        {QStringLiteral("CONTROLTYPE"), QStringLiteral("ControlType"), 902, 1, false},
        {QStringLiteral("COLFORMAT"), QStringLiteral("Format"), 2240, 0, false},
        {QStringLiteral("HIDDEN"), QStringLiteral("Hidden"), 527, 3, false},
        {QStringLiteral("LISTNAME"), QStringLiteral("List Name"), 2240, 0, false},
    };
}
