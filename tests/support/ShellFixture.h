#pragma once
#include "support/TestSupport.h"
#include <gtest/gtest.h>

// Runs the hidden main window in this process on a temporary program folder
// (ModuleDirectory and SettingsPath), each start as a fresh program start.
class ShellFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the hidden main window; null when start-up was refused.
    HWND Start();
    // Destroys it as "終了する" does, takes the quit message, resets the state.
    void Stop();
    std::string Setting(const char* section, const char* key);
    // The tray menu's check marks of these items: "x" checked, "-" not.
    std::string Checks(std::initializer_list<UINT> ids);

    TempFolder folder;

private:
    std::string savedModuleDirectory, savedSettingsPath;
};
