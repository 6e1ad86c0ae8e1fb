#pragma once
// frmAbout: the about box. The product name and version, OK, and a button
// that starts the system information tool when the registry names one. Two
// link labels (the maker's page, the sales address) stay hidden.

#include <QDialog>
#include <cstdint>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // The registry root the tool's locations lie under.
    static constexpr std::int32_t HKEY_LOCAL_MACHINE = static_cast<std::int32_t>(0x80000002u);

    explicit frmAbout(QWidget* parent = nullptr);

    // Starts the system information tool, or says it is unavailable.
    void StartSysInfo();
    // Reads one registry value as text (only read, never opened for
    // writing). False, with KeyVal emptied, when the key or value is absent.
    bool GetKeyValue(std::int32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void lblMailto_Click();
    void lblWebAddress_Click();

    QLabel* Image1 = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    QLabel* lblWebAddress = nullptr; // hidden
    QLabel* lblMailto = nullptr;     // hidden

protected:
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_loaded = false;
};
