#pragma once
// frmGridPropertyList ("Grid Property List"): the column settings of one
// grid, one row per column, opened from a list screen's "Column" action.
// Edits live in the host's settings list; the host saves them. The window's
// own grid keeps its layout under the list name "GridProperty".

#include "records/CGridPropertys.h"
#include "screens/GridColumns.h"

#include <QDialog>
#include <memory>

class DataViewGrid;
class QToolBar;
class QAction;

class frmGridPropertyList : public QDialog {
    Q_OBJECT
public:
    explicit frmGridPropertyList(QWidget* parent = nullptr);
    ~frmGridPropertyList() override;

    // The settings list to edit; an empty name takes the list's own.
    void Component(const std::shared_ptr<CGridPropertys>& vGrids, const QString& GridName);

    QToolBar* Toolbar1 = nullptr;
    DataViewGrid* DataViewGrid1 = nullptr;

    // The toolbar's buttons by key: "Open", "Up One Level".
    QAction* ToolbarButton(const QString& key) const;
    void Toolbar1_ButtonClick(const QString& key);
    void OpenRow();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Form_Load();
    void Form_Unload();

    std::shared_ptr<CGridPropertys> m_grids;
    QString m_gridName;
    GridColumns m_columns;
    bool m_loaded = false;
    bool m_unloaded = false;
};

// The "Column" action of a list screen: the dragged widths become the
// settings' widths, the editor is shown over the owner, and the grid takes
// the edited settings at once. Nothing is saved here.
void EditGridColumns(QWidget* owner, DataViewGrid& grid, GridColumns& columns);
