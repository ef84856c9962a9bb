#include "support/ShellFixture.h"
#include "base/ProgramPaths.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "store/ChangeHistory.h"

void ShellFixture::SetUp()
{
    static bool registered = RegisterMainWindowClass(GetModuleHandleA(nullptr));
    ASSERT_TRUE(registered);
    App = AppState{};
    App.instance = GetModuleHandleA(nullptr);
}

void ShellFixture::TearDown()
{
    Stop();
    UndoList.Clear();
    RedoList.Clear();
}

HWND ShellFixture::Start(const std::string& settings)
{
    WriteFileBytes(folder.File("vty.ini"), settings);
    return CreateMainWindow();
}

void ShellFixture::Stop()
{
    if (App.mainWindow && IsWindow(App.mainWindow))
        DestroyWindow(App.mainWindow);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        if (message.message != WM_QUIT)
            DispatchMessageA(&message);
    App = AppState{};
    App.instance = GetModuleHandleA(nullptr);
}

std::string ShellFixture::Setting(const char* section, const char* key)
{
    char text[1100];
    GetPrivateProfileStringA(section, key, "<none>", text, sizeof text, SettingsPath.data);
    return text;
}

std::string ShellFixture::Checks(std::initializer_list<UINT> ids)
{
    std::string checks;
    for (UINT id : ids)
        checks += GetMenuState(App.trayMenu, id, MF_BYCOMMAND) & MF_CHECKED ? "x" : "-";
    return checks;
}
