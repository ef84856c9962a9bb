// th123stub.exe: takes the place of the game th123.exe for tests and demos.
// A window with the game's class and title, and the values a record tool
// reads at the places of the game 1.03 (see PLACES), all below 4 GiB with
// 4-byte pointers, in a 64-bit build too. -moved puts the block of 0x860000
// elsewhere and writes SWRSAddr.ini naming it into the -ini folder; -class and
// -title change the window; -script FILE reads the commands from FILE, and the
// process then ends with its window, not with its input. It says "ready
// default" or "ready moved", then "ok" or "error" to each command line:
//   scene|comm|lchar|rchar|mode|lwin|rwin|peer|peertag|dest|destaddr N
//   lname|rname TEXT;  link|unlink battle|left|right|net|peers;  wait MS
//   match SCENE COMM LNAME RNAME LCHAR RCHAR LWIN RWIN  ("-": no name)
//   close (the window only);  exit
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const uintptr_t DEFAULT_BLOCK = 0x860000;
// The image sits at its fixed base 0x400000; this array stretches it over
// the default block, so the loader keeps those pages for us.
const SIZE_T IMAGE_SPAN = 0x480000;
char imageSpan[IMAGE_SPAN];
char movedBlock[0x8000];
char objects[0x4000];  // battle manager, players, network object, peer entry
char* block;

const uint32_t BATTLE = 0, LEFT = 0x1000, RIGHT = 0x2000, NET = 0x3000, PEER = 0x3800;

struct Place {
    const char* name;
    char** base;
    uint32_t offset;
    uint32_t target;  // for a pointer: the object it leads to
};
char* objectBase = objects;
// Values, then pointers; the block's places are the game's own.
const Place PLACES[] = {
    {"scene", &block, 0x7BCC, 0},          {"comm", &block, 0x210, 0},
    {"lchar", &block, 0x1890, 0},          {"rchar", &block, 0x18B0, 0},
    {"mode", &objectBase, BATTLE + 0x88, 0}, {"lwin", &objectBase, LEFT + 0x563, 0},
    {"rwin", &objectBase, RIGHT + 0x563, 0}, {"peer", &objectBase, PEER + 4, 0},
    {"peertag", &objectBase, PEER + 16, 0}, {"dest", &objectBase, NET + 0x3F8, 0},
    {"destaddr", &objectBase, NET + 0x3FC, 0},
    {"battle", &block, 0x164, BATTLE},     {"left", &objectBase, BATTLE + 0xC, LEFT},
    {"right", &objectBase, BATTLE + 0x10, RIGHT}, {"net", &block, 0x220, NET},
    {"peers", &objectBase, NET + 0x4C8, PEER},
};
const int VALUE_COUNT = 11, PLACE_COUNT = sizeof PLACES / sizeof *PLACES;
HWND window;

char* At(const char* name)
{
    for (const Place& p : PLACES)
        if (!strcmp(name, p.name))
            return *p.base + p.offset;
    return nullptr;
}

volatile uint32_t* Word(const char* name)
{
    return reinterpret_cast<volatile uint32_t*>(At(name));
}

uint32_t Address(const char* at)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(at));
}

void Link(const Place& p, bool on)
{
    *Word(p.name) = on ? Address(objects + p.target) : 0;
}

void SetName(bool left, const char* text)
{
    char* field = objects + NET + (left ? 4 : 0x24);
    memset(field, 0, 32);
    memcpy(field, text, strnlen(text, 32));
}

bool Run(char* line)
{
    char* rest = strchr(line, ' ');
    if (rest)
        *rest++ = '\0';
    if (!strcmp(line, "lname") || !strcmp(line, "rname")) {
        SetName(line[0] == 'l', rest ? rest : "");
        return true;
    }
    char* a[8] = {};
    uint32_t n[8] = {};
    int count = 0;
    for (char* p = strtok(rest, " "); p && count < 8; p = strtok(nullptr, " "), ++count)
        n[count] = static_cast<uint32_t>(strtoul(a[count] = p, nullptr, 0));
    bool link = !strcmp(line, "link");
    for (int i = 0; i < PLACE_COUNT && count == 1; ++i) {
        if (i < VALUE_COUNT && !strcmp(line, PLACES[i].name)) {
            *Word(line) = n[0];
            return true;
        }
        if (i >= VALUE_COUNT && (link || !strcmp(line, "unlink")) && !strcmp(a[0], PLACES[i].name)) {
            Link(PLACES[i], link);
            return true;
        }
    }
    if (!strcmp(line, "match") && count == 8) {
        SetName(true, strcmp(a[2], "-") ? a[2] : "");
        SetName(false, strcmp(a[3], "-") ? a[3] : "");
        *Word("lchar") = n[4];
        *Word("rchar") = n[5];
        *Word("comm") = n[1];
        *Word("scene") = n[0];
        // A battle first, so that its end is a change even right after another.
        *Word("mode") = 1;
        Sleep(300);
        *Word("lwin") = n[6];
        *Word("rwin") = n[7];
        *Word("mode") = 5;
    } else if (!strcmp(line, "wait") && count == 1) {
        Sleep(n[0]);
    } else if (!strcmp(line, "close")) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    } else if (!strcmp(line, "exit")) {
        puts("ok");
        fflush(stdout);
        ExitProcess(0);
    } else {
        return false;
    }
    return true;
}

FILE* commands;
bool fromScript;

DWORD WINAPI ReadCommands(LPVOID)
{
    char line[512];
    while (fgets(line, sizeof line, commands)) {
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

// Driven through standard input, the process ends with it, not with the window.
LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY && fromScript)
        PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* windowClass = "th123_103";
    const char* title = "東方非想天則 \x81\x60 超弩級ギニョルの謎を追え Ver1.03";
    const char* ini = ".";
    bool moved = false;
    commands = stdin;
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (!strcmp(option, "-moved")) {
            moved = true;
            continue;
        }
        const char* value = ++i < argc ? argv[i] : "";
        if (!strcmp(option, "-class"))
            windowClass = value;
        else if (!strcmp(option, "-title"))
            title = value;
        else if (!strcmp(option, "-ini"))
            ini = value;
        else if (!strcmp(option, "-script") && (commands = fopen(value, "r")) != nullptr)
            fromScript = true;
        else
            return fprintf(stderr, "th123stub: cannot use %s %s\n", option, value), 2;
    }
    uintptr_t span = reinterpret_cast<uintptr_t>(imageSpan);
    moved = moved || span > DEFAULT_BLOCK || DEFAULT_BLOCK + sizeof movedBlock > span + IMAGE_SPAN;
    block = moved ? movedBlock : reinterpret_cast<char*>(DEFAULT_BLOCK);
    for (int i = VALUE_COUNT; i < PLACE_COUNT; ++i)
        Link(PLACES[i], true);
    if (moved) {
        char path[MAX_PATH], value[16];
        snprintf(path, sizeof path, "%s\\SWRSAddr.ini", ini);
        const char* keys[][2] = {{"SWRS_ADDR_PBATTLEMGR", "battle"}, {"SWRS_ADDR_PNETOBJECT", "net"},
                                 {"SWRS_ADDR_COMMMODE", "comm"},     {"SWRS_ADDR_LCHARID", "lchar"},
                                 {"SWRS_ADDR_RCHARID", "rchar"},     {"SWRS_ADDR_SCENEID", "scene"}};
        for (auto& key : keys) {
            snprintf(value, sizeof value, "%u", Address(At(key[1])));
            WritePrivateProfileStringA("SWRSAddress", key[0], value, path);
        }
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = windowClass;
    RegisterClassA(&wc);
    window = CreateWindowExA(0, windowClass, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                             420, 160, nullptr, nullptr, wc.hInstance, nullptr);
    printf("ready %s\n", moved ? "moved" : "default");
    fflush(stdout);
    CloseHandle(CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
