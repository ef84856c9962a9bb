#pragma once
#include "base/Platform.h"
#include "base/ProgramPaths.h"
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

// A fresh folder under the temporary directory, removed with its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "\\" + name; }

private:
    std::string path;
};

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
inline void WriteFileBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
// The folder of the running test program (where vty.exe and the tools are built).
std::string ProgramFolder();

// A built program (with sqlite3.dll) copied into folder unless there already,
// and started there with arguments after its quoted path; ended when the
// object goes.
class ProgramRun {
public:
    ProgramRun(const TempFolder& folder, const char* program, const std::string& arguments = "");
    ~ProgramRun();
    // The exit code; -1, and the process ended, when it does not end in time.
    long Wait(DWORD timeoutMs = 20000);
    PROCESS_INFORMATION info = {};
};

// Points one of the tool's paths (SettingsPath unless told) elsewhere for the life of the object.
class PathScope {
public:
    explicit PathScope(const std::string& to, TextBuffer& of = SettingsPath) : of(of), saved(of.data) { of.Assign(to.c_str()); }
    ~PathScope() { of.Assign(saved.c_str()); }

private:
    TextBuffer& of;
    std::string saved;
};
using SettingsFileScope = PathScope;

// Dispatches this thread's messages until done() holds or the time is over;
// returns done(). With loop (the tool's own, which ends at WM_QUIT), that does.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, int (*loop)() = nullptr);
// Dispatches this thread's messages for the given time.
inline void PumpMessages(DWORD ms) { PumpUntil([] { return false; }, ms); }

// The clipboard's plain text; "<none>" when it holds none.
std::string ClipboardText();
void SetClipboardText(const char* text);

// The texts a dialog's controls are too narrow to show whole, each ending in
// ";": labels, check boxes, buttons, and a drop-down list's longest item as
// "list:" (the open list) or "field:" (the closed field); then those of its lists.
std::string CutTexts(HWND dialog);
// The header texts ("header:") and cells ("cell:") too wide for their list's columns.
std::string CutListTexts(HWND list);

// A test that looks at every display scaling runs its program again once per
// scaling (the prefix's LogPixels, 96 last), with the test filter: there, with
// SCALE_RUN set, it writes what it found to the file SCALE_RUN names. Returns
// each run's findings, in the order 192, 120, 144, 96.
extern const char SCALE_RUN[];
std::vector<std::string> RunAtEveryScaling(const TempFolder& folder, const char* program, const char* filter);
