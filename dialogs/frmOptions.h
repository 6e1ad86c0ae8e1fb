#pragma once
// frmOptions: the "Options Panel", a small modal administration dialog with
// three picture buttons (the control array AdminCP): edit the database
// connection (0), close (2), and compact the DNC database (5).

#include <QDialog>
#include <QString>
#include <map>

class QAbstractButton;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);
    ~frmOptions() override;

    // Dispatches a press of AdminCP(Index).
    void AdminCP_Click(int Index);

    // Compacts the database of the connection profile in place; True when
    // it is compacted. Refuses, touching nothing, a profile that is no
    // database file of ours and a database another connection uses. The
    // database stays whole under its name throughout.
    bool MakeCompact();
    // Compacts the database file in place through the work file destination;
    // False (after an exclamation box with the reason) when it could not.
    // Virtual: the engine step is the one part of a compaction that a
    // substitute may stand in for.
    virtual bool CompactDB(const QString& source, const QString& destination);

    // The picture buttons by their index: 0 "Database", 2 "Close", 5 "Compact Database".
    std::map<int, QAbstractButton*> AdminCP;

private:
    void buildControls();
    // Connection settings of the program's own database.
    void EditConnection();
    // Asks, compacts and reports.
    void CompactDatabase();
    // The database file of the profile, under the program folder when relative.
    QString ProfileDatabasePath() const;
    // Why the file is no database of ours that can be compacted; "" when it is.
    QString WhyNotCompactable(const QString& path) const;
};
