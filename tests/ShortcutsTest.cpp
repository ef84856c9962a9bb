// Profile shortcut keys: the list in the settings, the accelerator table
// driven by real key input through the tool's message loop, and the two
// dialogs from the real resources.
#include "res/resource.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "support/DialogAnswerer.h"
#include "support/ShellFixture.h"
#include "ui/shortcuts/ShortcutDialogs.h"
#include "ui/shortcuts/ShortcutList.h"
#include <commctrl.h>
#include <atomic>
#include <thread>
#include <vector>

namespace {

const uint16_t CTRL_F1 = 0x0870, CTRL_SHIFT_F1 = 0x0C70, F2 = 0x0071;
// The same keys as the hot-key control holds them.
const WORD HOT_CTRL_F1 = 0x0270, HOT_CTRL_SHIFT_F1 = 0x0370, HOT_F2 = 0x0071;

// The list in force as "key=path;", then the accelerator table as "flags/key/command;".
std::string Loaded()
{
    std::string text;
    for (uint32_t i = 0; i < ShortcutList.count; ++i)
        text += std::to_string(ShortcutList.At(i).key) + "=" + ShortcutList.At(i).path + ";";
    ACCEL table[40];
    int count = ShortcutAccelerators ? CopyAcceleratorTableA(ShortcutAccelerators, table, 40) : 0;
    text += ShortcutAccelerators ? " " : " none";
    for (int i = 0; i < count; ++i)
        text += std::to_string(table[i].fVirt) + "/" + std::to_string(table[i].key) + "/" +
                std::to_string(table[i].cmd) + ";";
    return text;
}

// Pairs Key<i>=100+i, Path<i>=p<i>.db for i in [from, to).
std::string Pairs(int from, int to)
{
    std::string text;
    for (int i = from; i < to; ++i)
        text += "Key" + std::to_string(i) + "=" + std::to_string(100 + i) + "\r\nPath" + std::to_string(i) + "=p" +
                std::to_string(i) + ".db\r\n";
    return text;
}

// Presses the keys in order and releases them in reverse, as real input.
void PressKeys(std::vector<WORD> keys)
{
    std::vector<INPUT> inputs(2 * keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        inputs[i].type = inputs[inputs.size() - 1 - i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = keys[i];
        inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The names are the keyboard layout's own: Windows' English layout calls the
// Control key "Ctrl", Wine's calls it "Control".
std::string CtrlName()
{
    char name[32] = "";
    GetKeyNameTextA(static_cast<LONG>(MapVirtualKeyA(VK_CONTROL, MAPVK_VK_TO_VSC)) << 16, name, sizeof name);
    return name;
}

std::function<bool()> loopDone;
DWORD loopEnd;

void CALLBACK CheckLoop(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (loopDone() || static_cast<LONG>(GetTickCount() - loopEnd) >= 0) {
        KillTimer(nullptr, timer);
        PostQuitMessage(0);
    }
}

// Runs the tool's own message loop until done() holds or the time is over.
bool RunLoopUntil(std::function<bool()> done, DWORD ms)
{
    loopDone = done;
    loopEnd = GetTickCount() + ms;
    SetTimer(nullptr, 0, 20, CheckLoop);
    RunMessageLoop();
    return done();
}

struct Attempt {
    WORD hotKey;
    std::string path;
};

class Shortcuts : public ShellFixture {
protected:
    void TearDown() override
    {
        ShellFixture::TearDown();
        RebuildShortcuts(nullptr, 0);
    }
    // Opens the list dialog from the tray menu; returns the first such dialog and,
    // with after, the one after it.
    HWND OpenList(HWND after = nullptr)
    {
        SendMessageA(App.mainWindow, WM_COMMAND, ID_SHORTCUT_SETTINGS, 0);
        return FindWindowExA(nullptr, after, "#32770", "プロファイル短縮キーの設定");
    }
    // The rows of the list dialog as "name|key|path;".
    std::string Rows(HWND dialog)
    {
        HWND list = GetDlgItem(dialog, IDC_SHORTCUT_LIST);
        std::string text;
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            char cell[2][1100];
            ListView_GetItemText(list, row, 0, cell[0], sizeof cell[0]);
            ListView_GetItemText(list, row, 1, cell[1], sizeof cell[1]);
            LVITEMA item = {};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            text += std::string(cell[0]) + "|" + std::to_string(item.lParam) + "|" + cell[1] + ";";
        }
        return text;
    }
    // Sends a button of the list dialog, the selection mark on row first.
    void Press(HWND dialog, UINT command, int row = -1)
    {
        SendDlgItemMessageA(dialog, IDC_SHORTCUT_LIST, LVM_SETSELECTIONMARK, 0, row);
        SendMessageA(dialog, WM_COMMAND, command, 0);
    }
    // Opens the edit dialog by command and tries each attempt with OK; the
    // warning of a refused one is answered and the next tried. Returns what
    // the dialog showed first ("hotkey|path") and the warnings.
    std::string TryEdit(HWND dialog, UINT command, std::vector<Attempt> attempts, int row = -1)
    {
        HWND edit = nullptr;
        std::string shown;
        auto fill = [&](const Attempt& attempt) {
            SendDlgItemMessageA(edit, IDC_SHORTCUT_HOTKEY, HKM_SETHOTKEY, attempt.hotKey, 0);
            SetDlgItemTextA(edit, IDC_SHORTCUT_PATH, attempt.path.c_str());
        };
        std::vector<DialogAction> actions = {[&](HWND opened) {
            edit = opened;
            char path[1100];
            GetDlgItemTextA(edit, IDC_SHORTCUT_PATH, path, sizeof path);
            shown = std::to_string(SendDlgItemMessageA(edit, IDC_SHORTCUT_HOTKEY, HKM_GETHOTKEY, 0, 0)) + "|" + path;
            fill(attempts[0]);
            return IDOK;
        }};
        for (size_t i = 1; i < attempts.size(); ++i)
            actions.push_back([&, i](HWND warning) {
                PostMessageA(warning, WM_COMMAND, IDOK, 0);
                fill(attempts[i]);
                PostMessageA(edit, WM_COMMAND, IDOK, 0);
                return 0;
            });
        DialogAnswerer answerer(GetCurrentThreadId(), actions);
        Press(dialog, command, row);
        const std::vector<DialogSeen>& seen = answerer.Seen();
        EXPECT_EQ(actions.size(), seen.size());
        EXPECT_EQ("プロファイル短縮キー", seen.empty() ? "" : seen[0].title);
        for (size_t i = 1; i < seen.size(); ++i) {
            shown += "," + seen[i].text;
            EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), seen[i].icon) << seen[i].text;
        }
        return shown;
    }
};

}  // namespace

TEST_F(Shortcuts, LoadStopsAtTheFirstGapAndSaveDeletesThePairAfterTheLast)
{
    std::string keys, accelerators;
    for (int i = 0; i < 32; ++i) {
        keys += std::to_string(100 + i) + "=p" + std::to_string(i) + ".db;";
        accelerators += "3/" + std::to_string(100 + i) + "/" + std::to_string(50000 + i) + ";";
    }
    struct Case {
        std::string settings;
        std::string loaded;
    } cases[] = {
        {"", " none"},
        {"Key0=2160\r\nPath0=a.db\r\nKey1=113\r\nPath1=b.db\r\nKey3=114\r\nPath3=d.db\r\n",
         "2160=a.db;113=b.db; 11/112/50000;3/113/50001;"},
        {"Key0=2160\r\nPath0=\r\nKey1=113\r\nPath1=b.db\r\n", " none"},
        {Pairs(0, 40), keys + " " + accelerators},
        // Only the low 16 bits count: 65536 is no key.
        {"Key0=65649\r\nPath0=a.db\r\nKey1=65536\r\nPath1=b.db\r\nKey2=114\r\nPath2=c.db\r\n",
         "113=a.db; 3/113/50000;"},
    };
    for (const Case& c : cases) {
        WriteFileBytes(folder.File("vty.ini"), "[Shortcut]\r\n" + c.settings);
        LoadShortcuts();
        EXPECT_EQ(c.loaded, Loaded()) << c.settings;
    }

    WriteFileBytes(folder.File("vty.ini"), "[Shortcut]\r\n" + Pairs(0, 5));
    ShortcutEntry three[3] = {{"x.db", CTRL_F1}, {"y.db", F2}, {"z.db", CTRL_SHIFT_F1}};
    ASSERT_TRUE(RebuildShortcuts(three, 3));
    SaveShortcuts();
    EXPECT_EQ("[Shortcut]\r\nKey0=2160\r\nPath0=x.db\r\nKey1=113\r\nPath1=y.db\r\nKey2=3184\r\nPath2=z.db\r\n" +
                  Pairs(4, 5),
              ReadFileBytes(folder.File("vty.ini")));
    LoadShortcuts();
    EXPECT_EQ("2160=x.db;113=y.db;3184=z.db;", Loaded().substr(0, Loaded().find(' ')));
}

TEST_F(Shortcuts, KeyCodesAndTheirNames)
{
    struct Case {
        WORD hotKey;
        uint16_t key;
        const char* name;
    } cases[] = {
        {HOT_CTRL_SHIFT_F1, CTRL_SHIFT_F1, "Ctrl + Shift + F1"},
        {0x0F70, 0x3C70, "Ctrl + Alt + Shift + F1"},  // the extended flag changes no text
        {0x0541, 0x1441, "Alt + Shift + A"},
        {HOT_F2, F2, "F2"},
        {0x0200, 0x0800, "Ctrl + <failed>"},  // no key: no name
    };
    std::string ctrl = CtrlName();
    ASSERT_TRUE(ctrl == "Ctrl" || ctrl == "Control") << ctrl;
    for (const Case& c : cases) {
        TextBuffer name;
        name.Init();
        bool named = ShortcutKeyName(c.key, &name);
        std::string expected = c.name;
        if (expected.compare(0, 4, "Ctrl") == 0)
            expected.replace(0, 4, ctrl);
        EXPECT_EQ(std::to_string(c.key) + " " + std::to_string(c.hotKey) + " " + expected,
                  std::to_string(ShortcutKeyFromHotKey(c.hotKey)) + " " + std::to_string(HotKeyFromShortcutKey(c.key)) +
                      " " + name.data + (named ? "" : "<failed>"));
        name.Release();
    }
}

TEST_F(Shortcuts, BoundKeysSwitchTheRecordFromTheToolsWindowsButNotInAModalDialog)
{
    std::string other = folder.File("other.db");
    WriteFileBytes(folder.File("vty.ini"), "[Shortcut]\r\nKey0=2161\r\nPath0=" + other + "\r\nKey1=114\r\nPath1=" +
                                               folder.File("Default.db") + "\r\n");  // Ctrl+F2, F3
    ASSERT_NE(nullptr, Start());
    auto press = [](std::vector<WORD> keys) {
        SendMessageA(App.mainWindow, WM_COMMAND, ID_SHOW_STATS, 0);
        SetFocus(App.statsWindow);
        PressKeys(keys);
    };
    press({VK_CONTROL, VK_F2});
    EXPECT_TRUE(RunLoopUntil([&] { return other == DatabasePath.data; }, 5000));

    // In the edit dialog's own loop the key F3 is only a key.
    HWND dialog = OpenList();
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {[](HWND) {
                                    PressKeys({VK_F3});
                                    Sleep(500);
                                    return IDCANCEL;
                                }});
        Press(dialog, IDC_SHORTCUT_ADD);
        EXPECT_EQ(1u, answerer.Seen().size());
    }
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    RunLoopUntil([] { return false; }, 300);
    EXPECT_EQ(other, DatabasePath.data);

    // The binding of the current file loads it again.
    HWND popup = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_SYSMENU, 0, 0, 10, 10, App.statsWindow, nullptr,
                                 nullptr, nullptr);
    MatchRecord record = {1, "me", 3, 2, "you", 1, 0};
    RecordChange(CHANGE_INSERTED, &record);
    press({VK_CONTROL, VK_F2});
    EXPECT_TRUE(RunLoopUntil([&] { return !IsWindow(popup); }, 5000));
    EXPECT_EQ(other, DatabasePath.data);
    EXPECT_EQ(0u, UndoList.count);

    press({VK_F3});
    EXPECT_TRUE(RunLoopUntil([&] { return folder.File("Default.db") == DatabasePath.data; }, 5000));
}

TEST_F(Shortcuts, ListDialogEditsAWorkingCopyThatOkPutsIntoForce)
{
    std::string a = folder.File("a.db"), b = folder.File("b.db"), missing = folder.File("missing.db");
    WriteFileBytes(b, "");
    WriteFileBytes(folder.File("vty.ini"), "[Shortcut]\r\nKey0=2160\r\nPath0=" + a + "\r\nKey1=113\r\nPath1=" + b +
                                               "\r\n");
    ASSERT_NE(nullptr, Start());
    HWND dialog = OpenList();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(nullptr, OpenList(FindWindowExA(nullptr, nullptr, "#32770", "プロファイル短縮キーの設定")));  // while open: no second
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(App.mainWindow, GetWindow(dialog, GW_OWNER));
    std::string ctrl = CtrlName();
    EXPECT_EQ(ctrl + " + F1|2160|" + a + ";F2|113|" + b + ";", Rows(dialog));

    // The four warnings in their order; the taken key with Shift added is free,
    // and an existing folder passes.
    EXPECT_EQ("0|,短縮キーを設定してください,既に登録されているキーです,プロファイルパスを指定してください,"
              "存在するパスを指定してください",
              TryEdit(dialog, IDC_SHORTCUT_ADD,
                      {{0, a}, {HOT_CTRL_F1, a}, {HOT_CTRL_SHIFT_F1, ""}, {HOT_CTRL_SHIFT_F1, missing},
                       {HOT_CTRL_SHIFT_F1, folder.Path()}}));
    // Another row's key is refused; a row keeps its own, also after a refused attempt.
    EXPECT_EQ("113|" + b + ",既に登録されているキーです,プロファイルパスを指定してください",
              TryEdit(dialog, IDC_SHORTCUT_EDIT, {{HOT_CTRL_F1, b}, {HOT_F2, ""}, {HOT_F2, b}}, 1));
    EXPECT_EQ(ctrl + " + F1|2160|" + a + ";F2|113|" + b + ";" + ctrl + " + Shift + F1|3184|" + folder.Path() + ";",
              Rows(dialog));
    EXPECT_EQ("2160=" + a + ";113=" + b + ";", Loaded().substr(0, Loaded().find(' ')));
    // The duplicate-key query of anyone but the edit dialog, posted or sent
    // from another thread, is not answered: the byte it points at stays.
    uint8_t answers[2] = {0x55, 0x55};
    PostMessageA(dialog, WM_SHORTCUT_KEY_FREE, F2, reinterpret_cast<LPARAM>(&answers[0]));
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        SendMessageA(dialog, WM_SHORTCUT_KEY_FREE, CTRL_F1, reinterpret_cast<LPARAM>(&answers[1]));
        sent = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return sent.load(); }, 5000));
    sender.join();
    PumpMessages(20);
    EXPECT_EQ(0x55, answers[0]);
    EXPECT_EQ(0x55, answers[1]);

    Press(dialog, IDC_SHORTCUT_DELETE, 0);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(0, App.shortcutDialogOpen);
    EXPECT_EQ("113=" + b + ";3184=" + folder.Path() + "; 3/113/50000;15/112/50001;", Loaded());

    // Cancel, also after a delete, changes nothing.
    dialog = OpenList();
    Press(dialog, IDC_SHORTCUT_DELETE, 0);
    EXPECT_EQ(ctrl + " + Shift + F1|3184|" + folder.Path() + ";", Rows(dialog));
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ("113=" + b + ";3184=" + folder.Path() + "; 3/113/50000;15/112/50001;", Loaded());
    // The list in force reaches the file at exit.
    Stop();
    EXPECT_EQ("113|" + folder.Path() + "|<none>", Setting("Shortcut", "Key0") + "|" + Setting("Shortcut", "Path1") +
                                                      "|" + Setting("Shortcut", "Key2"));
}

TEST_F(Shortcuts, AddDoesNothingAtThirtyTwoRows)
{
    WriteFileBytes(folder.File("vty.ini"), "[Shortcut]\r\n" + Pairs(0, 32));
    ASSERT_NE(nullptr, Start());
    HWND dialog = OpenList();
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {IDCANCEL});
        Press(dialog, IDC_SHORTCUT_ADD);
        EXPECT_EQ(0u, answerer.Stop().size());
    }
    Press(dialog, IDC_SHORTCUT_DELETE, 31);
    DialogAnswerer answerer(GetCurrentThreadId(), {IDCANCEL});
    Press(dialog, IDC_SHORTCUT_ADD);
    EXPECT_EQ(1u, answerer.Seen().size());
}
