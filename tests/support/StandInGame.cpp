#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include <algorithm>

StandInGame::~StandInGame()
{
    TerminateProcess(process, 1);
    for (HANDLE h : {process, toGame, fromGame})
        if (h)
            CloseHandle(h);
}

bool StandInGame::Start(const std::string& folder, const std::string& arguments)
{
    // Only the child's ends are inherited: it sees its input end when this side goes.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    CreatePipe(&childIn, &toGame, &inherit, 0);
    CreatePipe(&fromGame, &childOut, &inherit, 0);
    SetHandleInformation(toGame, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromGame, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    PROCESS_INFORMATION info = {};
    std::string line = "\"" + ProgramFolder() + "\\th123stub.exe\" -ini \"" + folder + "\" " + arguments;
    bool started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!started)
        return false;
    CloseHandle(info.hThread);
    process = info.hProcess;
    moved = ReadLine(&lastAnswer) && lastAnswer == "ready moved";
    return lastAnswer.compare(0, 6, "ready ") == 0;
}

bool StandInGame::Do(const std::string& commands)
{
    for (size_t begin = 0, end = 0; end < commands.size(); begin = end + 2) {
        end = std::min(commands.find("; ", begin), commands.size());
        std::string command = commands.substr(begin, end - begin) + "\n", answer;
        DWORD written = 0;
        WriteFile(toGame, command.data(), static_cast<DWORD>(command.size()), &written, nullptr);
        if (!ReadLine(&answer) || answer != "ok") {
            lastAnswer = command + answer;
            return false;
        }
    }
    return true;
}

bool StandInGame::ReadLine(std::string* line)
{
    line->clear();
    char c;
    DWORD got = 0;
    while (ReadFile(fromGame, &c, 1, &got, nullptr) && got == 1)
        if (c == '\n')
            return true;
        else if (c != '\r')
            *line += c;
    return false;
}
