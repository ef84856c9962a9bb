#include "ui/window/CodePageWarning.h"
#include "base/Settings.h"

// Wide literals must reach the program as UTF-16 whatever code page the
// narrow ones are compiled to: 霊 is U+970A.
static_assert(L"霊"[0] == 0x970A, "wide string literals must be compiled as UTF-16");

static const wchar_t CODE_PAGE_CAPTION[] = L"Vantory - 文字コードの設定 / Code page";
static const wchar_t CODE_PAGE_MESSAGE[] =
    L"この Windows の「Unicode 対応ではないプログラムの言語」（システム ロケール）が日本語ではありません。"
    L"このままでは Vantory の文字がすべて文字化けして読めません。\n"
    L"直し方: コントロール パネルの「地域」→「管理」→「システム ロケールの変更」で「日本語 (日本)」を選んで"
    L"再起動するか、非想天則と同じように、コード ページ 932 でプログラムを起動するロケール ツールから"
    L"Vantory を起動してください。\n\n"
    L"The \"Language for non-Unicode programs\" (system locale) of this Windows is not Japanese, so the texts "
    L"of Vantory will be unreadable (mojibake).\n"
    L"To fix it, choose \"Japanese (Japan)\" under Control Panel > Region > Administrative > "
    L"Change system locale and restart, or start Vantory through a locale tool that runs it with "
    L"code page 932, as the game itself needs.\n\n"
    L"次回もこのメッセージを表示しますか？ / Show this message next time?";

void WarnAboutCodePage(HWND owner)
{
    if (GetACP() == TEXT_CODE_PAGE || ReadSettingInt(SECTION_GENERAL, KEY_CODE_PAGE_WARNING, 1) == 0)
        return;
    if (MessageBoxW(owner, CODE_PAGE_MESSAGE, CODE_PAGE_CAPTION, MB_YESNO | MB_ICONWARNING) == IDNO)
        WriteSettingInt(SECTION_GENERAL, KEY_CODE_PAGE_WARNING, 0);
}
