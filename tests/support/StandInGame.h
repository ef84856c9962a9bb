#pragma once
#include "base/Platform.h"
#include <string>

// The game stand-in th123stub.exe (built beside the tests) as a real second
// process, driven line by line through its standard input.
class StandInGame {
public:
    StandInGame() = default;
    StandInGame(const StandInGame&) = delete;
    StandInGame& operator=(const StandInGame&) = delete;
    // Ends the process if it still runs.
    ~StandInGame();

    // Starts it with "-ini iniFolder" and the extra arguments, and waits
    // until its window exists and its memory is laid out.
    bool Start(const std::string& iniFolder, const std::string& arguments = "");
    // Sends the commands separated by "; " one by one, each after the answer
    // to the one before; true when every answer was "ok".
    bool Do(const std::string& commands);
    // Asks it to exit and waits until the process has ended.
    bool Exit();
    // True when it could not sit at the game's own addresses and wrote them
    // into SWRSAddr.ini instead.
    bool Moved() const { return moved; }
    DWORD ProcessId() const { return processId; }
    // The last command that failed and its answer, or the start line.
    const std::string& LastAnswer() const { return lastAnswer; }

private:
    bool ReadLine(std::string* line);

    HANDLE process = nullptr;
    DWORD processId = 0;
    HANDLE toGame = nullptr;
    HANDLE fromGame = nullptr;
    std::string received;
    std::string lastAnswer;
    bool moved = false;
};

// Points ModuleDirectory, where SWRSAddr.ini is looked for, at a folder for
// the life of the object.
class ModuleDirectoryScope {
public:
    explicit ModuleDirectoryScope(const std::string& folder);
    ~ModuleDirectoryScope();

private:
    std::string saved;
};
