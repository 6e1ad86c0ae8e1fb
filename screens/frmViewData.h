#pragma once
// frmViewData ("View Data"): the result of any query over any connection,
// read-only, one page at a time. The caller hands over the connection
// string, the query and a caption through Component and shows the window
// modally; it reports its own failures and stays open after them.

#include "screens/DataViewGrid.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

class CNavigate;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTableView;
class QWidget;

namespace ado {
class Recordset;
}

class frmViewData : public QDialog {
    Q_OBJECT
public:
    explicit frmViewData(QWidget* parent = nullptr);
    ~frmViewData() override;

    void Component(const QString& vConn, const QString& vSQL, bool Editable, const QString& vCaption);
    // Reads at most PageSize rows of the recordset from where it stands
    // into rows; the number read.
    std::int32_t LoadRecordset(std::vector<DataGridModel::Row>& rows,
                               const std::shared_ptr<ado::Recordset>& rs, std::int32_t PageSize);

    QTableView* grdDataGrid = nullptr;
    QWidget* NavigateBar = nullptr;
    QToolButton* cmdFirst = nullptr;
    QToolButton* cmdPrev = nullptr;
    QToolButton* cmdNext = nullptr;
    QToolButton* cmdLast = nullptr;
    QLineEdit* PageCaption = nullptr;
    QLabel* lblTotalPage = nullptr;
    QLabel* lblRecords = nullptr;
    QPushButton* cmdClose = nullptr;

    // "First", "Prev", "Next", "Last" or "Go".
    void Navigate(const QString& action);
    DataGridModel* GridModel() const { return m_model; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Form_Load();
    void LoadRecords(const QString& filter);

    QString m_conn;
    QString m_sql;
    bool m_editable = false;
    QString m_caption;
    QString m_filter;
    bool m_headerBuilt = false;
    bool m_loaded = false;
    std::unique_ptr<CNavigate> m_navigate;
    std::shared_ptr<ado::Recordset> m_rs;
    DataGridModel* m_model = nullptr;
};
