#pragma once
#include "base/Platform.h"

// The one code page every text of the programs is written in.
const UINT TEXT_CODE_PAGE = 932;

// At start: on a Windows whose ANSI code page is not 932 every text of the
// programs is unreadable, so the player is told why and what to do, in
// Japanese and English, through the wide-character functions (the only
// text that reads right there). The player goes on either way; answering
// that it need not come again writes [General] CodePageWarning=0 to the
// settings, and nothing else is written. Nothing is shown on code page 932.
void WarnAboutCodePage(HWND owner);
