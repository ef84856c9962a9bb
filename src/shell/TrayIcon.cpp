#include "shell/TrayIcon.h"
#include "base/TextUtil.h"
#include <shellapi.h>

#ifndef NIIF_RESPECT_QUIET_TIME
#define NIIF_RESPECT_QUIET_TIME 0x00000080
#endif

struct TrayIconState {
    NOTIFYICONDATAA record;  // cbSize is non-zero while the icon exists
    bool shown;              // the shell has the icon
};

static TrayIconState Tray;

void CreateTrayIcon(HWND owner, UINT callbackMessage, UINT iconId)
{
    NOTIFYICONDATAA& icon = Tray.record;
    memset(&icon, 0, sizeof icon);
    icon.cbSize = NOTIFYICONDATAA_V2_SIZE;
    icon.hWnd = owner;
    icon.uID = 0;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = callbackMessage;
    lstrcpynA(icon.szTip, TRAY_TIP, sizeof icon.szTip);
    SetTrayPicture(iconId);
}

void ReAddTrayIcon()
{
    if (!Tray.record.cbSize)
        return;
    Tray.shown = Shell_NotifyIconA(NIM_ADD, &Tray.record) != FALSE ||
                 Shell_NotifyIconA(NIM_MODIFY, &Tray.record) != FALSE;
}

void RemoveTrayIcon()
{
    if (!Tray.record.cbSize)
        return;
    Shell_NotifyIconA(NIM_DELETE, &Tray.record);
    Tray.shown = false;
    Tray.record.cbSize = 0;
}

// An icon the shell refused at start is offered again at every change.
static void UpdateTrayIcon()
{
    if (!Tray.record.cbSize)
        return;
    if (!Tray.shown || Shell_NotifyIconA(NIM_MODIFY, &Tray.record) == FALSE)
        ReAddTrayIcon();
}

void SetTrayPicture(UINT iconId)
{
    // The shell draws small icons at the system's scaling: 16 pixels at 100 %,
    // 24 at 150 %, 32 at 200 %; the icons hold each of those sizes.
    Tray.record.hIcon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    UpdateTrayIcon();
}

void SetTrayTip(const char* tip)
{
    char text[sizeof Tray.record.szTip];
    lstrcpynA(text, tip, sizeof text);
    CutToWholeCharacters(text, sizeof text - 1);
    if (!Tray.record.cbSize || lstrcmpA(text, Tray.record.szTip) == 0)
        return;
    lstrcpyA(Tray.record.szTip, text);
    UpdateTrayIcon();
}

// Quiet time (a new user's first hour, presentations) is known from Windows 7 on.
static bool KnowsQuietTime()
{
    OSVERSIONINFOEXA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 1;
    DWORDLONG condition = VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL),
                                              VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoA(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

void ShowTrayBalloon(const char* title, const char* body, UINT timeoutMs)
{
    if (!Tray.shown)
        return;
    // A copy of the record, so that no later change of the icon shows it again.
    NOTIFYICONDATAA balloon = Tray.record;
    balloon.uFlags = NIF_INFO;
    lstrcpynA(balloon.szInfoTitle, title, sizeof balloon.szInfoTitle);
    lstrcpynA(balloon.szInfo, body, sizeof balloon.szInfo);
    balloon.uTimeout = timeoutMs;
    // A sound at every match start would play over the game.
    balloon.dwInfoFlags = NIIF_INFO | NIIF_NOSOUND | (KnowsQuietTime() ? NIIF_RESPECT_QUIET_TIME : 0);
    Shell_NotifyIconA(NIM_MODIFY, &balloon);
}

bool TrayIconShown()
{
    return Tray.shown;
}

HICON TrayPicture()
{
    return Tray.record.hIcon;
}

const char* TrayTip()
{
    return Tray.record.szTip;
}
