#pragma once
#include "support/TestSupport.h"
#include <gtest/gtest.h>

// Runs the hidden main window in this process on a temporary program folder
// (ModuleDirectory and SettingsPath), each start as a fresh program start.
class ShellFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes settings as vty.ini and creates the hidden main window; null when
    // start-up was refused. CreateMainWindow alone starts on the file as it is.
    HWND Start(const std::string& settings);
    // Destroys it as "終了する" does, takes the quit message, resets the state.
    void Stop();
    std::string Setting(const char* section, const char* key);
    // The tray menu's check marks of these items: "x" checked, "-" not.
    std::string Checks(std::initializer_list<UINT> ids);

    TempFolder folder;
    PathScope directory{folder.Path(), ModuleDirectory}, settingsPath{folder.File("vty.ini")};
};
