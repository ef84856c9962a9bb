#include "shell/SingleInstance.h"
#include "base/ProgramPaths.h"
#include "base/TextUtil.h"
#include "res/resource.h"

// A small named shared block per folder holds the running instance's main
// window. Object names are limited in length, so the folder goes in as a hash.
static HANDLE folderClaim;
static HWND* publishedWindow;

// The folder's name, in upper case because file names ignore letter case.
static void ClaimName(char* name)
{
    TextBuffer folder;
    folder.InitFrom(ModuleDirectory.data);
    CharUpperBuffA(folder.data, folder.length);
    uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (uint32_t i = 0; i < folder.length; ++i)
        hash = (hash ^ static_cast<uint8_t>(folder.data[i])) * 1099511628211ULL;
    folder.Release();
    FormatText(name, "Vantory.%08lx%08lx", static_cast<unsigned long>(hash >> 32),
               static_cast<unsigned long>(hash & 0xFFFFFFFFu));
}

bool ClaimProgramFolder()
{
    char name[FORMAT_TEXT_LIMIT];
    ClaimName(name);
    HANDLE claim = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(HWND), name);
    if (!claim)
        return true;  // without the guard rather than without the tool
    bool first = GetLastError() != ERROR_ALREADY_EXISTS;
    HWND* shared = static_cast<HWND*>(MapViewOfFile(claim, FILE_MAP_WRITE, 0, 0, sizeof(HWND)));
    if (first) {
        folderClaim = claim;
        publishedWindow = shared;
        return true;
    }
    if (shared) {
        HWND running = *shared;
        if (running && IsWindow(running)) {
            // The running instance may come to the front only with our leave.
            AllowSetForegroundWindow(ASFW_ANY);
            PostMessageA(running, WM_COMMAND, ID_SHOW_STATS, 0);
        }
        UnmapViewOfFile(shared);
    }
    CloseHandle(claim);
    return false;
}

void PublishMainWindow(HWND window)
{
    if (publishedWindow)
        *publishedWindow = window;
}

void ReleaseProgramFolder()
{
    if (publishedWindow)
        UnmapViewOfFile(publishedWindow);
    if (folderClaim)
        CloseHandle(folderClaim);
    publishedWindow = nullptr;
    folderClaim = nullptr;
}
