// Profile shortcut keys: the list in the settings file, the list and edit
// dialogs from the tray menu, and real key presses in the tool's own loop.
#include "res/resource.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "store/ChangeHistory.h"
#include "support/DialogAnswerer.h"
#include "support/ShellFixture.h"
#include "support/StatsFixture.h"
#include "ui/shortcuts/ShortcutList.h"
#include <commctrl.h>

namespace {

// The list in force as "key=path;", then how many keys the accelerator table holds.
std::string Loaded()
{
    std::string text;
    for (uint32_t i = 0; i < ShortcutList.count; ++i)
        text += std::to_string(ShortcutList.At(i).key) + "=" + ShortcutList.At(i).path + ";";
    return text + std::to_string(ShortcutAccelerators ? CopyAcceleratorTableA(ShortcutAccelerators, nullptr, 0) : 0);
}

// Pairs Key<i>, Path<i> for i below count.
std::string Pairs(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "Key" + std::to_string(i) + "=" + std::to_string(112 + i % 12) + "\r\nPath" + std::to_string(i) + "=p.db\r\n";
    return text;
}

// Presses the keys in order and lets them go in reverse, as real input.
void PressKeys(std::vector<BYTE> keys)
{
    for (BYTE key : keys)
        keybd_event(key, 0, 0, 0);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key)
        keybd_event(*key, 0, KEYEVENTF_KEYUP, 0);
}

class Shortcuts : public ShellFixture {
protected:
    void TearDown() override
    {
        ShellFixture::TearDown();
        RebuildShortcuts(nullptr, 0);
    }
    void Settings(const std::string& pairs) { WriteFileBytes(folder.File("vty.ini"), "[Shortcut]\r\n" + pairs); }
    HWND OpenList()
    {
        SendMessageA(App.mainWindow, WM_COMMAND, ID_SHORTCUT_SETTINGS, 0);
        return FindWindowExA(nullptr, nullptr, "#32770", "プロファイル短縮キーの設定");
    }
    // A button of the list dialog, with the selection mark on row.
    void Press(HWND dialog, UINT command, int row = -1)
    {
        SendDlgItemMessageA(dialog, IDC_SHORTCUT_LIST, LVM_SETSELECTIONMARK, 0, row);
        SendMessageA(dialog, WM_COMMAND, command, 0);
    }
};

}  // namespace

TEST_F(Shortcuts, LoadReadsUpToTheFirstGapAndAtMost32)
{
    // The settings, and how many keys load.
    const std::pair<std::string, const char*> cases[] = {
        {"", "0"}, {Pairs(40), "32"}, {"Key0=2160\r\nPath0=a.db\r\nKey1=113\r\nPath1=b.db\r\nKey3=114\r\nPath3=d.db", "2"},
        {"Key0=2160\r\nPath0=\r\nKey1=113\r\nPath1=b.db", "0"},
        {"Key0=65649\r\nPath0=a.db\r\nKey1=65536\r\nPath1=b.db", "1"}};  // 16 bits: 65536 is no key
    for (const auto& c : cases) {
        Settings(c.first);
        LoadShortcuts();
        EXPECT_EQ(c.second, Loaded().substr(Loaded().rfind(';') + 1)) << c.first;
    }
    EXPECT_EQ("113=a.db;1", Loaded());
}

TEST_F(Shortcuts, ListDialogWarnsAndEditsAWorkingCopyThatOkPutsIntoForce)
{
    std::string a = folder.File("a.db"), b = folder.File("b.db");
    WriteFileBytes(b, "");
    Settings("Key0=4208\r\nPath0=" + a + "\r\nKey1=113\r\nPath1=" + b + "\r\n");  // Alt+F1, F2
    ASSERT_NE(nullptr, Start());
    HWND dialog = OpenList();
    EXPECT_EQ(dialog, OpenList());  // while it is open, no second one
    // Add, with keys as the hot-key control holds them: each refused try's
    // warning, then one that passes (the taken key with Shift, an existing folder).
    const std::pair<WORD, std::string> tries[] = {
        {0, a}, {0x0470, a}, {0x0570, ""}, {0x0570, folder.File("missing.db")}, {0x0570, folder.Path()}};
    HWND edit = nullptr;
    std::vector<DialogAction> actions;
    for (const auto& next : tries)
        actions.push_back([&](HWND opened) {
            if (edit)  // the warning of the try before
                PostMessageA(opened, WM_COMMAND, IDOK, 0);
            SendDlgItemMessageA(edit = edit ? edit : opened, IDC_SHORTCUT_HOTKEY, HKM_SETHOTKEY, next.first, 0);
            SetDlgItemTextA(edit, IDC_SHORTCUT_PATH, next.second.c_str());
            PostMessageA(edit, WM_COMMAND, IDOK, 0);
            return 0;
        });
    std::string warnings;
    DialogAnswerer add(GetCurrentThreadId(), actions);
    Press(dialog, IDC_SHORTCUT_ADD);
    for (const DialogSeen& seen : add.Seen())
        warnings += seen.text + (seen.icon == LoadIconA(nullptr, IDI_EXCLAMATION) ? "!;" : ";");
    EXPECT_EQ("プロファイル;短縮キーを設定してください!;既に登録されているキーです!;プロファイルパスを指定してください!;"
              "存在するパスを指定してください!;", warnings);
    DialogAnswerer own(GetCurrentThreadId(), {IDOK});  // a row keeps its own key
    Press(dialog, IDC_SHORTCUT_EDIT, 1);
    EXPECT_EQ(1u, own.Seen().size());
    EXPECT_EQ("Alt + F1|" + a + "\nF2|" + b + "\nAlt + Shift + F1|" + folder.Path() + "\n",
              ListText(GetDlgItem(dialog, IDC_SHORTCUT_LIST)));
    EXPECT_EQ("4208=" + a + ";113=" + b + ";2", Loaded());
    Press(dialog, IDC_SHORTCUT_DELETE, 0);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ("113=" + b + ";5232=" + folder.Path() + ";2", Loaded());
    // Cancel, also after a delete, changes nothing; the list in force reaches the file at exit.
    Press(dialog = OpenList(), IDC_SHORTCUT_DELETE, 0);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Stop();
    EXPECT_EQ("113|" + folder.Path() + "|<none>",
              Setting("Shortcut", "Key0") + "|" + Setting("Shortcut", "Path1") + "|" + Setting("Shortcut", "Key2"));

    // At 32 rows Add opens nothing; at 31 it opens the edit dialog.
    Settings(Pairs(32));
    ASSERT_NE(nullptr, Start());
    dialog = OpenList();
    for (size_t opened : {0u, 1u}) {
        DialogAnswerer answerer(GetCurrentThreadId(), {IDCANCEL});
        Press(dialog, IDC_SHORTCUT_ADD);
        EXPECT_EQ(opened, answerer.Stop().size());
        Press(dialog, IDC_SHORTCUT_DELETE, 0);
    }
}

TEST_F(Shortcuts, BoundKeysSwitchTheRecordFromTheToolsWindowsButNotInAModalDialog)
{
    std::string other = folder.File("other.db"), current = folder.File("Default.db");
    Settings("Key0=2161\r\nPath0=" + other + "\r\nKey1=114\r\nPath1=" + current + "\r\n");  // Ctrl+F2, F3
    ASSERT_NE(nullptr, Start());
    auto press = [&](std::vector<BYTE> keys, const std::function<bool()>& done) {
        SendMessageA(App.mainWindow, WM_COMMAND, ID_SHOW_STATS, 0);
        SetFocus(App.statsWindow);
        PressKeys(keys);
        return PumpUntil(done, 5000, RunMessageLoop);
    };
    EXPECT_TRUE(press({VK_CONTROL, VK_F2}, [&] { return other == DatabasePath.data; }));
    // The current file's key loads it again: its windows close, the undo list empties.
    HWND popup = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, App.statsWindow, nullptr, nullptr, nullptr);
    MatchRecord record = {1, "me", 3, 2, "you", 1, 0};
    RecordChange(CHANGE_INSERTED, &record);
    EXPECT_TRUE(press({VK_CONTROL, VK_F2}, [&] { return !IsWindow(popup) && !UndoList.count; }));
    // In the edit dialog's own loop F3 is only a key, which the hot-key control takes.
    HWND dialog = OpenList();
    LRESULT taken = 0;
    DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND edit) {
                                HWND hotKey = GetDlgItem(edit, IDC_SHORTCUT_HOTKEY);
                                SendMessageA(edit, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hotKey), TRUE);
                                PressKeys({VK_F3});
                                for (int i = 0; i < 250 && !taken; ++i, Sleep(20))
                                    taken = SendMessageA(hotKey, HKM_GETHOTKEY, 0, 0);
                                return IDCANCEL;
                            }});
    Press(dialog, IDC_SHORTCUT_ADD);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(VK_F3, taken);
    EXPECT_EQ(other, DatabasePath.data);
    EXPECT_TRUE(press({VK_F3}, [&] { return current == DatabasePath.data; }));
}
