#pragma once
#include "base/Platform.h"
#include <functional>
#include <string>

// A fresh folder under the temporary directory, removed with its content
// when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path; }
    // path + "\\" + name
    std::string File(const std::string& name) const;

private:
    std::string path;
};

void RemoveTree(const std::string& path);
bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The folder of the running test program (where vty.exe and the tools are built).
std::string ProgramFolder();

// Points SettingsPath at a file for the life of the object.
class SettingsFileScope {
public:
    explicit SettingsFileScope(const std::string& path);
    ~SettingsFileScope();

private:
    std::string saved;
};

// Runs a program and waits for it; returns its exit code, or -1 when it did
// not start or did not end within timeoutMs.
long RunProgram(const std::string& commandLine, const std::string& folder, DWORD timeoutMs);

// Dispatches this thread's messages until done() holds or the time is over;
// returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Dispatches this thread's messages for the given time.
void PumpMessages(DWORD ms);

// The clipboard's plain text; "<none>" when it holds none.
std::string ClipboardText();
void SetClipboardText(const char* text);

// What a dialog's controls are too narrow to show whole with the dialog's
// font, each followed by ";": the text of a label, check box or button, and
// "list:" with the longest item of a drop-down list narrower than it.
std::string CutTexts(HWND dialog);
