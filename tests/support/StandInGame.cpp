#include "support/StandInGame.h"
#include "base/ProgramPaths.h"
#include "support/TestSupport.h"

static const DWORD ANSWER_TIMEOUT_MS = 20000;

StandInGame::~StandInGame()
{
    if (process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    for (HANDLE h : {process, toGame, fromGame})
        if (h)
            CloseHandle(h);
}

bool StandInGame::Start(const std::string& iniFolder, const std::string& arguments)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childIn, childOut;
    if (!CreatePipe(&childIn, &toGame, &inherit, 0))
        return false;
    if (!CreatePipe(&fromGame, &childOut, &inherit, 0)) {
        CloseHandle(childIn);
        return false;
    }
    // Only the child's ends are inherited, so that the child sees the end of
    // its input when this side goes.
    SetHandleInformation(toGame, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromGame, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    std::string line = "\"" + ProgramFolder() + "\\th123stub.exe\" -ini \"" + iniFolder + "\" " + arguments;
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!started)
        return false;
    CloseHandle(info.hThread);
    process = info.hProcess;
    processId = info.dwProcessId;
    if (!ReadLine(&lastAnswer))
        return false;
    moved = lastAnswer.compare(0, 11, "ready moved") == 0;
    return lastAnswer.compare(0, 6, "ready ") == 0;
}

bool StandInGame::Do(const std::string& commands)
{
    for (size_t begin = 0, end; begin < commands.size(); begin = end + 2) {
        end = commands.find("; ", begin);
        if (end == std::string::npos)
            end = commands.size();
        std::string text = commands.substr(begin, end - begin) + "\n", answer;
        DWORD written = 0;
        if (!WriteFile(toGame, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            !ReadLine(&answer) || answer != "ok") {
            lastAnswer = text + answer;
            return false;
        }
    }
    return true;
}

bool StandInGame::Exit()
{
    return Do("exit") && WaitForSingleObject(process, ANSWER_TIMEOUT_MS) == WAIT_OBJECT_0;
}

bool StandInGame::ReadLine(std::string* line)
{
    DWORD start = GetTickCount();
    for (;;) {
        size_t end = received.find('\n');
        if (end != std::string::npos) {
            *line = received.substr(0, end > 0 && received[end - 1] == '\r' ? end - 1 : end);
            received.erase(0, end + 1);
            return true;
        }
        DWORD available = 0;
        if (!PeekNamedPipe(fromGame, nullptr, 0, nullptr, &available, nullptr))
            return false;  // the game has gone
        if (available > 0) {
            char chunk[512];
            DWORD got = 0;
            if (!ReadFile(fromGame, chunk, available < sizeof chunk ? available : sizeof chunk, &got, nullptr))
                return false;
            received.append(chunk, got);
        } else if (GetTickCount() - start > ANSWER_TIMEOUT_MS) {
            return false;
        } else {
            Sleep(2);
        }
    }
}

ModuleDirectoryScope::ModuleDirectoryScope(const std::string& folder) : saved(ModuleDirectory.data)
{
    ModuleDirectory.Assign(folder.c_str());
}

ModuleDirectoryScope::~ModuleDirectoryScope()
{
    ModuleDirectory.Assign(saved.c_str());
}
