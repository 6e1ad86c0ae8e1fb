#pragma once
// gtest support for code that asks the user something: installs scripted
// ui::Services for the test and turns every unexpected call and every unused
// expectation into a test failure.

#include "platform/widgets/ScriptedServices.h"

#include <gtest/gtest.h>

namespace ui_test {

// Adds one failure per unexpected call and per expectation left unused.
inline void ReportScriptProblems(const ui::ScriptedServices& scripted)
{
    for (const QString& problem : scripted.unexpectedCalls())
        ADD_FAILURE() << problem.toStdString();
    for (const QString& left : scripted.pendingExpectations())
        ADD_FAILURE() << "Scripted answer never asked for: " << left.toStdString();
}

// Installs scripted services for its lifetime, for tests with a fixture of
// their own; reports the problems when it goes.
class ScopedScriptedUi {
public:
    ScopedScriptedUi() { ui::setServices(&scripted); }
    ~ScopedScriptedUi()
    {
        ui::setServices(nullptr);
        ReportScriptProblems(scripted);
    }
    ScopedScriptedUi(const ScopedScriptedUi&) = delete;
    ScopedScriptedUi& operator=(const ScopedScriptedUi&) = delete;

    ui::ScriptedServices scripted;
};

} // namespace ui_test

// Fixture: `scripted` answers every dialog of the test.
class ScriptedUiTest : public ::testing::Test {
protected:
    void SetUp() override { ui::setServices(&scripted); }
    void TearDown() override
    {
        ui::setServices(nullptr);
        ui_test::ReportScriptProblems(scripted);
    }

    ui::ScriptedServices scripted;
};
