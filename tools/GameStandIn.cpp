// th123stub.exe: takes the place of the game th123.exe for tests and demos: a
// window with the game's class and title, and the values a record tool reads
// at the game 1.03's places (PLACES), below 4 GiB with 4-byte pointers in a
// 64-bit build too. -moved puts the block of 0x860000 elsewhere and writes an
// SWRSAddr.ini naming it into the -ini folder; -title changes the window's
// title; -script FILE reads the commands from FILE instead of standard input
// and ends the process with its window. It says "ready default" or "ready
// moved", then "ok" or "error" to each command (numbers may be 0x hex):
//   PLACE N | link (every pointer back) | lname|rname [TEXT] | wait MS | exit
//   match SCENE COMM LNAME RNAME LCHAR RCHAR LWIN RWIN  ("-": no name; the
//     scene passes through the character select, 8, before SCENE)
//   close (the window only, the process goes on)
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const uintptr_t DEFAULT_BLOCK = 0x860000;
const uint32_t SCENE_SELECT = 8;  // a network match's character select
// The image sits at its fixed base 0x400000; this array stretches it over
// the default block, so the loader keeps those pages for us.
char imageSpan[0x480000];
char movedBlock[0x8000];
char objects[0x4000];
char* objectBase = objects;
char* block;
HWND window;
bool fromScript;

const uint32_t BATTLE = 0, LEFT = 0x1000, RIGHT = 0x2000, NET = 0x3000, PEER = 0x3800, VALUE = 1;
// Values, then the pointers to the objects (battle manager, both players, the
// network object, its first peer entry); the block's offsets are the game's.
const struct Place {
    const char* name;
    char** base;
    uint32_t offset, target;
} PLACES[] = {
    {"scene", &block, 0x7BCC, VALUE},          {"comm", &block, 0x210, VALUE},
    {"lchar", &block, 0x1890, VALUE},          {"rchar", &block, 0x18B0, VALUE},
    {"mode", &objectBase, BATTLE + 0x88, VALUE}, {"lwin", &objectBase, LEFT + 0x563, VALUE},
    {"rwin", &objectBase, RIGHT + 0x563, VALUE}, {"peer", &objectBase, PEER + 4, VALUE},
    {"peertag", &objectBase, PEER + 16, VALUE}, {"dest", &objectBase, NET + 0x3F8, VALUE},
    {"destaddr", &objectBase, NET + 0x3FC, VALUE}, {"battle", &block, 0x164, BATTLE},
    {"left", &objectBase, BATTLE + 0xC, LEFT}, {"right", &objectBase, BATTLE + 0x10, RIGHT},
    {"net", &block, 0x220, NET},               {"peers", &objectBase, NET + 0x4C8, PEER},
};

volatile uint32_t* Word(const char* name)
{
    for (const Place& p : PLACES)
        if (!strcmp(name, p.name))
            return reinterpret_cast<volatile uint32_t*>(*p.base + p.offset);
    return nullptr;
}

uint32_t Address(const volatile void* at)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(at));
}

void SetName(bool left, const char* text)
{
    char* field = objects + NET + (left ? 4 : 0x24);
    memset(field, 0, 32);
    memcpy(field, text, strnlen(text, 32));
}

bool Run(char* line)
{
    char* a[9] = {};
    uint32_t n[9] = {};
    int count = 0;
    for (char* p = strtok(line, " "); p && count < 9; p = strtok(nullptr, " "), ++count)
        n[count] = static_cast<uint32_t>(strtoul(a[count] = p, nullptr, 0));
    const char* command = a[0];
    if (count == 2 && Word(command)) {
        *Word(command) = n[1];
    } else if (!strcmp(command, "lname") || !strcmp(command, "rname")) {
        SetName(command[0] == 'l', count > 1 ? a[1] : "");
    } else if (!strcmp(command, "link")) {
        for (const Place& p : PLACES)
            if (p.target != VALUE)
                *Word(p.name) = Address(objects + p.target);
    } else if (!strcmp(command, "match") && count == 9) {
        // From the character select, as in the game, so that the battle
        // scene begins anew even right after another match in it.
        *Word("scene") = SCENE_SELECT;
        SetName(true, strcmp(a[3], "-") ? a[3] : "");
        SetName(false, strcmp(a[4], "-") ? a[4] : "");
        *Word("lchar") = n[5];
        *Word("rchar") = n[6];
        *Word("comm") = n[2];
        Sleep(200);
        *Word("scene") = n[1];
        // A battle first, so that its end is a change even right after another.
        *Word("mode") = 1;
        Sleep(300);
        *Word("lwin") = n[7];
        *Word("rwin") = n[8];
        *Word("mode") = 5;
    } else if (!strcmp(command, "wait") && count == 2) {
        Sleep(n[1]);
    } else if (!strcmp(command, "close")) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    } else if (!strcmp(command, "exit")) {
        puts("ok");
        fflush(stdout);
        ExitProcess(0);
    } else {
        return false;
    }
    return true;
}

DWORD WINAPI ReadCommands(LPVOID input)
{
    char line[512];
    while (fgets(line, sizeof line, static_cast<FILE*>(input))) {
        line[strcspn(line, "\r\n")] = '\0';
        if (line[0] && line[0] != '#') {
            puts(Run(line) ? "ok" : "error");
            fflush(stdout);
        }
    }
    // Standard input gone: whoever drove us is gone.
    if (!fromScript)
        ExitProcess(0);
    return 0;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY && fromScript)
        PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* title = "東方非想天則 \x81\x60 超弩級ギニョルの謎を追え Ver1.03";
    const char* ini = ".";
    FILE* input = stdin;
    uintptr_t span = reinterpret_cast<uintptr_t>(imageSpan);
    bool moved = span > DEFAULT_BLOCK || DEFAULT_BLOCK + sizeof movedBlock > span + sizeof imageSpan;
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        bool flag = !strcmp(option, "-moved");
        const char* value = flag || i + 1 >= argc ? "" : argv[++i];
        if (flag)
            moved = true;
        else if (!strcmp(option, "-title"))
            title = value;
        else if (!strcmp(option, "-ini"))
            ini = value;
        else if (!strcmp(option, "-script") && (input = fopen(value, "r")) != nullptr)
            fromScript = true;
        else
            return fprintf(stderr, "th123stub: cannot use %s %s\n", option, value), 2;
    }
    block = moved ? movedBlock : reinterpret_cast<char*>(DEFAULT_BLOCK);
    char link[] = "link";
    Run(link);
    if (moved) {
        char path[MAX_PATH], value[16];
        snprintf(path, sizeof path, "%s\\SWRSAddr.ini", ini);
        const char* keys[][2] = {{"SWRS_ADDR_PBATTLEMGR", "battle"}, {"SWRS_ADDR_PNETOBJECT", "net"},
                                 {"SWRS_ADDR_COMMMODE", "comm"},     {"SWRS_ADDR_LCHARID", "lchar"},
                                 {"SWRS_ADDR_RCHARID", "rchar"},     {"SWRS_ADDR_SCENEID", "scene"}};
        for (auto& key : keys) {
            snprintf(value, sizeof value, "%u", Address(Word(key[1])));
            WritePrivateProfileStringA("SWRSAddress", key[0], value, path);
        }
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "th123_103";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 420, 160,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    printf("ready %s\n", moved ? "moved" : "default");
    fflush(stdout);
    CloseHandle(CreateThread(nullptr, 0, ReadCommands, input, 0, nullptr));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
