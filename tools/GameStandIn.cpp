// th123stub.exe: takes the place of the game th123.exe for tests and demos.
// It shows nothing of the game but what a record tool can see of it: a
// top-level window with the game's class and title, and, in its own memory,
// the values at the places where the game 1.03 keeps them.
//
// Command line (all optional):
//   -class NAME     window class, default "th123_103"
//   -title TEXT     window title, default the game's 1.03 title
//   -ini FOLDER     where SWRSAddr.ini goes when the default addresses are taken
//   -moved          do not even try the default addresses (tests the file)
//   -script FILE    read commands from FILE instead of standard input
//
// Memory: the scene id, communication mode and both character ids sit at the
// addresses of the game; so does a pointer to a battle manager (battle mode
// at +0x88, pointers to the left and right player objects at +0xC and +0x10,
// each player's one-byte win count at +0x563) and a pointer to a network
// object (profile names of 32 bytes at +4 and +0x24, destination address
// record at +0x3F8, pointer to the first peer entry at +0x4C8; the entry has
// the peer's IPv4 address at +4 and a word at +16 that is 0xFFFFFFFF while it
// holds no peer). When the pages at 0x860000 cannot be had, the same block
// goes elsewhere and SWRSAddr.ini with the real addresses is written into
// the -ini folder. Built as a 64-bit program it keeps the game's layout:
// everything lies below 4 GiB and every pointer field is 4 bytes.
//
// On start it writes one line: "ready default" or "ready moved", then the
// block's address. Then it takes commands, one a line, and answers each with
// "ok" or "error: ..." (blank lines and lines starting with # get no answer).
// Numbers are decimal or 0x hex; -1 stands for 0xFFFFFFFF.
//   scene N | comm N | lchar N | rchar N | mode N    32-bit values
//   lwin N | rwin N                                   one-byte win counts
//   lname TEXT | rname TEXT   the rest of the line; cut to 32 bytes, and with
//                             no terminator when it has 32 bytes or more
//   peer N | peertag N        first peer entry: address (+4), word at +16
//   dest N | destaddr N       destination record: first word, address (+4)
//   unlink WHAT | link WHAT   set a pointer to 0 or back; WHAT is battle,
//                             left, right, net or peers
//   match SCENE COMM LNAME RNAME LCHAR RCHAR LWIN RWIN
//                             a whole match: names and characters, mode and
//                             scene, battle mode 1 for 300 ms, the wins, then
//                             battle mode 5 (a name "-" is empty)
//   wait MS                   pause the commands
//   close                     destroy the window; the process goes on
//   exit [CODE]               end the process
// When standard input ends, the process ends. With -script it stays until
// its window is closed by hand.
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const uintptr_t DEFAULT_BLOCK = 0x860000;
const SIZE_T BLOCK_SIZE = 0x8000;
// The image sits at its fixed base 0x400000; this zero-filled array stretches
// it over the default block, so the loader itself keeps those pages for us
// before anything else of the process can take them.
const SIZE_T IMAGE_SPAN = 0x480000;
char imageSpan[IMAGE_SPAN];
// Places inside the block, the same as in the game.
const uint32_t AT_BATTLE_MANAGER = 0x164;
const uint32_t AT_COMM_MODE = 0x210;
const uint32_t AT_NETWORK_OBJECT = 0x220;
const uint32_t AT_LEFT_CHAR = 0x1890;
const uint32_t AT_RIGHT_CHAR = 0x18B0;
const uint32_t AT_SCENE = 0x7BCC;

// The objects the pointers lead to, in a second block anywhere.
const SIZE_T OBJECTS_SIZE = 0x4000;
const uint32_t BATTLE_MANAGER = 0x0000;
const uint32_t LEFT_PLAYER = 0x1000;
const uint32_t RIGHT_PLAYER = 0x2000;
const uint32_t NETWORK_OBJECT = 0x3000;
const uint32_t PEER_ENTRY = 0x3800;

const uint32_t BATTLE_MODE_OFFSET = 0x88;
const uint32_t LEFT_CHAR_OFFSET = 0xC;
const uint32_t RIGHT_CHAR_OFFSET = 0x10;
const uint32_t WIN_COUNT_OFFSET = 0x563;
const uint32_t LEFT_NAME_OFFSET = 4;
const uint32_t RIGHT_NAME_OFFSET = 0x24;
const uint32_t NAME_SIZE = 32;
const uint32_t DESTINATION_OFFSET = 0x3F8;
const uint32_t PEER_LIST_OFFSET = 0x4C8;

const UINT WM_CLOSE_BY_COMMAND = WM_APP + 1;

char* block;
char* objects;
HWND window;
HANDLE output;
bool closingByCommand;

volatile uint32_t* Word(char* base, uint32_t offset)
{
    return reinterpret_cast<volatile uint32_t*>(base + offset);
}

uint32_t Address(char* base, uint32_t offset)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base + offset));
}

void Say(const char* text)
{
    DWORD written;
    WriteFile(output, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    WriteFile(output, "\n", 1, &written, nullptr);
}

// Committed pages below 4 GiB, where a 4-byte pointer field can point; a
// 64-bit process may otherwise get them anywhere.
char* AllocateLow(SIZE_T size)
{
    void* p = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p && static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)) + size <= 0x100000000ull)
        return static_cast<char*>(p);
    if (p)
        VirtualFree(p, 0, MEM_RELEASE);
    for (uintptr_t at = 0x10000000; at < 0xF0000000; at += 0x100000) {
        p = VirtualAlloc(reinterpret_cast<void*>(at), size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (p)
            return static_cast<char*>(p);
    }
    return nullptr;
}

bool ParseNumber(const char* text, uint32_t* value)
{
    if (!text || !*text)
        return false;
    char* end;
    *value = static_cast<uint32_t>(strtoul(text, &end, 0));
    return *end == '\0';
}

void SetName(uint32_t offset, const char* text)
{
    char* field = objects + NETWORK_OBJECT + offset;
    size_t n = strlen(text);
    if (n > NAME_SIZE)
        n = NAME_SIZE;
    memset(field, 0, NAME_SIZE);
    memcpy(field, text, n);
}

// The pointer that link and unlink change, and the object it leads to.
bool FindLink(const char* what, volatile uint32_t** pointer, uint32_t* target)
{
    if (!what)
        return false;
    if (!strcmp(what, "battle")) {
        *pointer = Word(block, AT_BATTLE_MANAGER);
        *target = Address(objects, BATTLE_MANAGER);
    } else if (!strcmp(what, "left")) {
        *pointer = Word(objects, BATTLE_MANAGER + LEFT_CHAR_OFFSET);
        *target = Address(objects, LEFT_PLAYER);
    } else if (!strcmp(what, "right")) {
        *pointer = Word(objects, BATTLE_MANAGER + RIGHT_CHAR_OFFSET);
        *target = Address(objects, RIGHT_PLAYER);
    } else if (!strcmp(what, "net")) {
        *pointer = Word(block, AT_NETWORK_OBJECT);
        *target = Address(objects, NETWORK_OBJECT);
    } else if (!strcmp(what, "peers")) {
        *pointer = Word(objects, NETWORK_OBJECT + PEER_LIST_OFFSET);
        *target = Address(objects, PEER_ENTRY);
    } else {
        return false;
    }
    return true;
}

void LinkAll()
{
    const char* all[] = {"battle", "left", "right", "net", "peers"};
    for (const char* what : all) {
        volatile uint32_t* pointer;
        uint32_t target;
        FindLink(what, &pointer, &target);
        *pointer = target;
    }
}

// A 32-bit value command: the word it sets, or null.
volatile uint32_t* ValueWord(const char* name)
{
    struct Entry {
        const char* name;
        char** base;
        uint32_t offset;
    };
    static const Entry table[] = {
        {"scene", &block, AT_SCENE},
        {"comm", &block, AT_COMM_MODE},
        {"lchar", &block, AT_LEFT_CHAR},
        {"rchar", &block, AT_RIGHT_CHAR},
        {"mode", &objects, BATTLE_MANAGER + BATTLE_MODE_OFFSET},
        {"peer", &objects, PEER_ENTRY + 4},
        {"peertag", &objects, PEER_ENTRY + 16},
        {"dest", &objects, NETWORK_OBJECT + DESTINATION_OFFSET},
        {"destaddr", &objects, NETWORK_OBJECT + DESTINATION_OFFSET + 4},
    };
    for (const Entry& e : table)
        if (!strcmp(name, e.name))
            return Word(*e.base, e.offset);
    return nullptr;
}

const char* NameOrEmpty(const char* token)
{
    return strcmp(token, "-") ? token : "";
}

// Runs one command line; returns the answer, or null for none.
const char* RunCommand(char* line)
{
    while (*line == ' ' || *line == '\t')
        ++line;
    if (!*line || *line == '#')
        return nullptr;
    char* rest = strchr(line, ' ');
    if (rest)
        *rest++ = '\0';
    const char* name = line;

    if (!strcmp(name, "lname") || !strcmp(name, "rname")) {
        SetName(name[0] == 'l' ? LEFT_NAME_OFFSET : RIGHT_NAME_OFFSET, rest ? rest : "");
        return "ok";
    }
    char* args[9] = {};
    int count = 0;
    for (char* p = rest ? strtok(rest, " \t") : nullptr; p && count < 9; p = strtok(nullptr, " \t"))
        args[count++] = p;

    uint32_t value;
    if (volatile uint32_t* word = ValueWord(name)) {
        if (count != 1 || !ParseNumber(args[0], &value))
            return "error: one number expected";
        *word = value;
        return "ok";
    }
    if (!strcmp(name, "lwin") || !strcmp(name, "rwin")) {
        if (count != 1 || !ParseNumber(args[0], &value) || value > 255)
            return "error: one number 0..255 expected";
        objects[(name[0] == 'l' ? LEFT_PLAYER : RIGHT_PLAYER) + WIN_COUNT_OFFSET] = static_cast<char>(value);
        return "ok";
    }
    if (!strcmp(name, "link") || !strcmp(name, "unlink")) {
        volatile uint32_t* pointer;
        uint32_t target;
        if (count != 1 || !FindLink(args[0], &pointer, &target))
            return "error: battle, left, right, net or peers expected";
        *pointer = name[0] == 'l' ? target : 0;
        return "ok";
    }
    if (!strcmp(name, "match")) {
        uint32_t n[8];
        const int numbers[] = {0, 1, 4, 5, 6, 7};
        if (count != 8)
            return "error: match SCENE COMM LNAME RNAME LCHAR RCHAR LWIN RWIN";
        for (int i : numbers)
            if (!ParseNumber(args[i], &n[i]))
                return "error: number expected";
        SetName(LEFT_NAME_OFFSET, NameOrEmpty(args[2]));
        SetName(RIGHT_NAME_OFFSET, NameOrEmpty(args[3]));
        *ValueWord("lchar") = n[4];
        *ValueWord("rchar") = n[5];
        *ValueWord("comm") = n[1];
        *ValueWord("scene") = n[0];
        // A battle in progress first, so that its end is a change even
        // right after an earlier match.
        *ValueWord("mode") = 1;
        Sleep(300);
        objects[LEFT_PLAYER + WIN_COUNT_OFFSET] = static_cast<char>(n[6]);
        objects[RIGHT_PLAYER + WIN_COUNT_OFFSET] = static_cast<char>(n[7]);
        *ValueWord("mode") = 5;
        return "ok";
    }
    if (!strcmp(name, "wait")) {
        if (count != 1 || !ParseNumber(args[0], &value))
            return "error: milliseconds expected";
        Sleep(value);
        return "ok";
    }
    if (!strcmp(name, "close")) {
        if (window)
            SendMessageA(window, WM_CLOSE_BY_COMMAND, 0, 0);
        return "ok";
    }
    if (!strcmp(name, "exit")) {
        value = 0;
        if (count > 1 || (count == 1 && !ParseNumber(args[0], &value)))
            return "error: exit code expected";
        Say("ok");
        ExitProcess(value);
    }
    return "error: unknown command";
}

// Reads commands line by line until the source ends.
DWORD WINAPI CommandReader(LPVOID source)
{
    HANDLE input = static_cast<HANDLE>(source);
    static char line[4096];
    size_t used = 0;
    char chunk[512];
    DWORD got;
    while (ReadFile(input, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            char c = chunk[i];
            if (c != '\n') {
                if (c != '\r' && used + 1 < sizeof line)
                    line[used++] = c;
                continue;
            }
            line[used] = '\0';
            used = 0;
            if (const char* answer = RunCommand(line))
                Say(answer);
            if (window)
                InvalidateRect(window, nullptr, TRUE);
        }
    }
    if (used > 0) {
        line[used] = '\0';
        if (const char* answer = RunCommand(line))
            Say(answer);
    }
    return 0;
}

void Paint(HDC dc)
{
    char name[2][NAME_SIZE + 1] = {};
    memcpy(name[0], objects + NETWORK_OBJECT + LEFT_NAME_OFFSET, NAME_SIZE);
    memcpy(name[1], objects + NETWORK_OBJECT + RIGHT_NAME_OFFSET, NAME_SIZE);
    char text[256];
    int y = 8;
    auto line = [&](int n) {
        TextOutA(dc, 8, y, text, n);
        y += 20;
    };
    line(wsprintfA(text, "scene %u  comm %u  battle mode %u", (unsigned)*ValueWord("scene"),
                   (unsigned)*ValueWord("comm"), (unsigned)*ValueWord("mode")));
    line(wsprintfA(text, "left  %s  char %u  wins %u", name[0], (unsigned)*ValueWord("lchar"),
                   (unsigned)(uint8_t)objects[LEFT_PLAYER + WIN_COUNT_OFFSET]));
    line(wsprintfA(text, "right %s  char %u  wins %u", name[1], (unsigned)*ValueWord("rchar"),
                   (unsigned)(uint8_t)objects[RIGHT_PLAYER + WIN_COUNT_OFFSET]));
    line(wsprintfA(text, "peer %08X  destination %08X", (unsigned)*ValueWord("peer"),
                   (unsigned)*ValueWord("destaddr")));
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE_BY_COMMAND:
        closingByCommand = true;
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        window = nullptr;
        // Closed by hand: the game ends with its window.
        if (!closingByCommand)
            PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool WriteAddressFile(const char* folder)
{
    char path[MAX_PATH];
    if (_snprintf(path, sizeof path, "%s\\SWRSAddr.ini", folder) < 0)
        return false;
    path[sizeof path - 1] = '\0';
    struct Key {
        const char* name;
        uint32_t offset;
    };
    static const Key keys[] = {
        {"SWRS_ADDR_PBATTLEMGR", AT_BATTLE_MANAGER}, {"SWRS_ADDR_PNETOBJECT", AT_NETWORK_OBJECT},
        {"SWRS_ADDR_COMMMODE", AT_COMM_MODE},        {"SWRS_ADDR_LCHARID", AT_LEFT_CHAR},
        {"SWRS_ADDR_RCHARID", AT_RIGHT_CHAR},        {"SWRS_ADDR_SCENEID", AT_SCENE},
    };
    for (const Key& k : keys) {
        char value[16];
        wsprintfA(value, "%u", Address(block, k.offset));
        if (!WritePrivateProfileStringA("SWRSAddress", k.name, value, path))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* windowClass = "th123_103";
    const char* title = "東方非想天則 \x81\x60 超弩級ギニョルの謎を追え Ver1.03";
    const char* iniFolder = nullptr;
    const char* script = nullptr;
    bool moved = false;
    for (int i = 1; i < argc; ++i) {
        bool hasValue = i + 1 < argc;
        if (!strcmp(argv[i], "-class") && hasValue)
            windowClass = argv[++i];
        else if (!strcmp(argv[i], "-title") && hasValue)
            title = argv[++i];
        else if (!strcmp(argv[i], "-ini") && hasValue)
            iniFolder = argv[++i];
        else if (!strcmp(argv[i], "-script") && hasValue)
            script = argv[++i];
        else if (!strcmp(argv[i], "-moved"))
            moved = true;
        else {
            fprintf(stderr, "th123stub: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    output = GetStdHandle(STD_OUTPUT_HANDLE);

    if (!moved) {
        uintptr_t span = reinterpret_cast<uintptr_t>(imageSpan);
        if (span <= DEFAULT_BLOCK && DEFAULT_BLOCK + BLOCK_SIZE <= span + IMAGE_SPAN)
            block = reinterpret_cast<char*>(DEFAULT_BLOCK);
        else
            block = static_cast<char*>(VirtualAlloc(reinterpret_cast<void*>(DEFAULT_BLOCK), BLOCK_SIZE,
                                                    MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    }
    if (!block) {
        moved = true;
        block = AllocateLow(BLOCK_SIZE);
    }
    objects = AllocateLow(OBJECTS_SIZE);
    if (!block || !objects) {
        Say("error: no memory");
        return 3;
    }
    LinkAll();
    if (moved && iniFolder && !WriteAddressFile(iniFolder)) {
        Say("error: cannot write SWRSAddr.ini");
        return 3;
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = windowClass;
    window = RegisterClassA(&wc) ? CreateWindowExA(0, windowClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                                   CW_USEDEFAULT, 420, 160, nullptr, nullptr, instance, nullptr)
                                 : nullptr;
    if (!window) {
        Say("error: no window");
        return 3;
    }
    ShowWindow(window, SW_SHOWNOACTIVATE);

    char ready[64];
    wsprintfA(ready, "ready %s 0x%08X", moved ? "moved" : "default", Address(block, 0));
    Say(ready);

    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (script) {
        input = CreateFileA(script, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (input == INVALID_HANDLE_VALUE) {
            Say("error: cannot open the script");
            return 3;
        }
        CloseHandle(CreateThread(nullptr, 0, CommandReader, input, 0, nullptr));
    } else if (input && input != INVALID_HANDLE_VALUE) {
        // Standard input gone means the one who drives us is gone.
        struct Driver {
            static DWORD WINAPI Run(LPVOID source)
            {
                CommandReader(source);
                ExitProcess(0);
            }
        };
        CloseHandle(CreateThread(nullptr, 0, Driver::Run, input, 0, nullptr));
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
