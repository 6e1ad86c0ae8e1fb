#pragma once
// frmSelectArea: the area-code screen. Lists the area codes the DNC
// database holds (one table each), adds an empty table for a new code,
// drops a code's table with its numbers, recounts the stored total, and
// opens the phone list of one code.

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class frmSelectArea : public QDialog {
    Q_OBJECT
public:
    explicit frmSelectArea(QWidget* parent = nullptr);
    ~frmSelectArea() override;

    QListWidget* lstArea = nullptr;
    QLineEdit* txtCode = nullptr;
    QPushButton* cmdGo = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdGo_Click();
    void cmdDelete_Click();
    void cmdOK_Click();
    void cmdRefresh_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    bool m_loaded = false;
};

// True for exactly three of the digits 0 to 9.
bool IsAreaCodeText(const QString& text);
