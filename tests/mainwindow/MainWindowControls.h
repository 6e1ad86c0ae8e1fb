#pragma once
// The main window's controls as a user finds them: by their names. Each call
// of Controls looks them up afresh, so it never outlives a window.

#include "mainwindow/WebBrowser.h"
#include "mainwindow/frmMain.h"
#include "platform/ui/OneShotTimer.h"
#include "platform/widgets/ControlArray.h"
#include "platform/widgets/ProgressBar.h"
#include "platform/widgets/StatusBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <memory>

namespace mwtest {

struct Controls {
    explicit Controls(const QObject* form)
    {
        const auto find = [form](auto*& control, const char* name) {
            using Control = std::remove_pointer_t<std::remove_reference_t<decltype(control)>>;
            control = form ? form->findChild<Control*>(QString::fromLatin1(name)) : nullptr;
        };
#define MWTEST_FIND(name) find(name, #name)
        MWTEST_FIND(sbStatusBar);
        MWTEST_FIND(TBLaunch);
        MWTEST_FIND(Frame1);
        MWTEST_FIND(Frame2);
        MWTEST_FIND(Frame4);
        MWTEST_FIND(Frame5);
        MWTEST_FIND(txtDatabase);
        MWTEST_FIND(txtLastUpdate);
        MWTEST_FIND(lblTotalRec);
        MWTEST_FIND(cmdLastUpdate);
        MWTEST_FIND(cmdViewDNC);
        MWTEST_FIND(cmdBrowser);
        MWTEST_FIND(cmdStart);
        MWTEST_FIND(Label7);
        MWTEST_FIND(Label2);
        MWTEST_FIND(TxtPhoneData);
        MWTEST_FIND(cmdBrowserData);
        MWTEST_FIND(DataTableName);
        MWTEST_FIND(cmdViewData);
        MWTEST_FIND(txtPhoneDataTotal);
        MWTEST_FIND(cboPhoneDataField);
        MWTEST_FIND(cboAreaDataField);
        MWTEST_FIND(chkOptions);
        MWTEST_FIND(cboMarkField);
        MWTEST_FIND(txtMarkChar);
        MWTEST_FIND(WebBrowser1);
        MWTEST_FIND(ProgressBar1);
        MWTEST_FIND(lblMin);
        MWTEST_FIND(lblStatus);
        MWTEST_FIND(lblmax);
        MWTEST_FIND(Timer1);
#undef MWTEST_FIND
        for (int i = 0; i < 9 && form; ++i)
            if (auto* option = form->findChild<QRadioButton*>(QStringLiteral("OptPhoneType_%1").arg(i)))
                OptPhoneType.Add(i, option, QStringLiteral("OptPhoneType"));
        for (int i = 0; i < 3 && form; ++i)
            if (auto* option = form->findChild<QRadioButton*>(QStringLiteral("OptionMark_%1").arg(i)))
                OptionMark.Add(i, option, QStringLiteral("OptionMark"));
    }

    ui::StatusBar* sbStatusBar;
    QToolBar* TBLaunch;
    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame4;
    QGroupBox* Frame5;
    QLineEdit* txtDatabase;
    QLineEdit* txtLastUpdate;
    QLabel* lblTotalRec;
    QPushButton* cmdLastUpdate;
    QPushButton* cmdViewDNC;
    QPushButton* cmdBrowser;
    QPushButton* cmdStart;
    QLabel* Label7;
    QLabel* Label2;
    QLineEdit* TxtPhoneData;
    QPushButton* cmdBrowserData;
    QComboBox* DataTableName;
    QPushButton* cmdViewData;
    QLineEdit* txtPhoneDataTotal;
    QComboBox* cboPhoneDataField;
    QComboBox* cboAreaDataField;
    QCheckBox* chkOptions;
    QComboBox* cboMarkField;
    QLineEdit* txtMarkChar;
    WebBrowser* WebBrowser1;
    ui::ProgressBar* ProgressBar1;
    QLabel* lblMin;
    QLabel* lblStatus;
    QLabel* lblmax;
    ui::OneShotTimer* Timer1;
    ControlArray<QRadioButton> OptPhoneType;
    ControlArray<QRadioButton> OptionMark;
};

// The window's controls.
inline Controls ctl(const QObject* form)
{
    return Controls(form);
}

inline Controls ctl(const std::unique_ptr<frmMain>& form)
{
    return Controls(form.get());
}

// The window's scrub options, as the runs use them.
inline ScrubOptions& options(frmMain* form)
{
    return form->Runs().Options();
}

} // namespace mwtest
