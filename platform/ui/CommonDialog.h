#pragma once
// The common dialog control: set the members, call ShowOpen or ShowSave,
// read FileName. The dialogs go through ui::services().

#include <QString>

namespace ui {

class CommonDialog {
public:
    QString InitDir;
    int Flags = 0;
    bool CancelError = false;
    QString DialogTitle;
    QString FileName;
    QString Filter;
    int FilterIndex = 1;

    // On OK, FileName is the chosen path. On Cancel, FileName is empty, and
    // with CancelError set vb::ErrObject 32755 "Cancel was selected." is thrown.
    void ShowOpen();
    void ShowSave();

private:
    void show(bool save);
};

} // namespace ui
