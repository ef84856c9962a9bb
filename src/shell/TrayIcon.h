#pragma once
#include "base/Platform.h"

// The tool's icon in the notification area: its picture, tip and balloon.
// One icon per process, owned by the main thread; every other module asks
// here instead of touching the shell's record.

#define TRAY_TIP "Vantory Rev.4 autorun"

// Fills the icon's record for owner (callbacks as callbackMessage) with
// picture iconId and TRAY_TIP, and offers it to the shell. Started at logon
// before the shell has a taskbar, the offer fails; ReAddTrayIcon tries again.
void CreateTrayIcon(HWND owner, UINT callbackMessage, UINT iconId);
// Offers the icon again: a new taskbar knows no icons, and one the shell
// still has is brought up to date instead. Nothing before CreateTrayIcon or
// after RemoveTrayIcon.
void ReAddTrayIcon();
// Takes the icon off the taskbar for good.
void RemoveTrayIcon();

// Shows picture iconId (a resource of the program) at the size the shell
// draws small icons.
void SetTrayPicture(UINT iconId);
// Shows tip, cut to whole characters of what the shell takes; unchanged
// text is not sent again.
void SetTrayTip(const char* tip);
// A balloon over the icon: silent, shown only when the player may be
// disturbed, and never taking the focus from the game.
void ShowTrayBalloon(const char* title, const char* body, UINT timeoutMs);

// What the icon shows now.
bool TrayIconShown();  // the shell has the icon
HICON TrayPicture();
const char* TrayTip();
