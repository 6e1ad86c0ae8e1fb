#pragma once
// The column settings every grid host keeps: one CGridPropertys list per
// grid (its list name), loaded with default rows added for the fields it
// lacks, answering the grid's FetchColumnSetup, and taking back the widths
// the user dragged.

#include "records/CGridPropertys.h"
#include "screens/DataViewGrid.h"

#include <QString>
#include <memory>
#include <vector>

// The default settings of one field, found by the field's name in upper case.
struct DefaultColumn {
    QString field; // upper case
    QString caption;
    std::int32_t width = 0;
    std::int32_t controlType = 0;
    bool hidden = false;
};

class GridColumns {
public:
    // hostModule names the host in error reports.
    GridColumns(QString listName, std::vector<DefaultColumn> defaults, QString hostModule);

    // Loads the list's stored rows and adds a default row (in memory) for
    // every field of the data list that has none.
    void SetDefaultColumns(VAVURDataSource& data);
    // The grid's FetchColumnSetup: the stored row's caption and layout, or
    // the field name and the default layout when there is no row.
    void FetchColumnSetup(ColumnSetup& setup) const;
    // Makes the grid ask these settings for its columns.
    void Attach(DataViewGrid& grid);
    // Copies the grid's column widths into the rows of their fields (a
    // field without a row is skipped); save writes the list and lets go of it.
    void SetColWidth(DataViewGrid& grid, bool save);

    std::shared_ptr<CGridPropertys> List() const { return m_list; }
    QString ListName() const { return m_listName; }

private:
    QString m_listName;
    std::vector<DefaultColumn> m_defaults;
    QString m_module;
    std::shared_ptr<CGridPropertys> m_list;
};

// The default rows of the column-settings editor's own grid.
std::vector<DefaultColumn> GridPropertyDefaults();
