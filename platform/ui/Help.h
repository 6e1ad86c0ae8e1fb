#pragma once
// The program's help: its pages opened at a topic through the UI services.

#include <QString>

class QWidget;

// Opens the program's help at topic (its default page when topic is empty).
void ShowHelp(QWidget* owner, const QString& topic);

class cHTMLHelp {
public:
    void DisplayHelp(QWidget* hwndCaller, const QString& helpPath);
};
