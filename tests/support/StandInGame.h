#pragma once
#include "base/Platform.h"
#include <string>

// The game stand-in th123stub.exe (built beside the tests) as a real second
// process, driven line by line through its standard input.
class StandInGame {
public:
    ~StandInGame();  // ends the process
    // Starts it with "-ini folder" and the arguments, and waits until its
    // window exists and its memory is laid out.
    bool Start(const std::string& folder, const std::string& arguments = "");
    // Sends the commands separated by "; " one by one; true when each was answered "ok".
    bool Do(const std::string& commands);

    std::string lastAnswer;  // the start line, or the command that failed
    bool moved = false;      // not at the game's addresses: SWRSAddr.ini names them

private:
    bool ReadLine(std::string* line);
    HANDLE process = nullptr, toGame = nullptr, fromGame = nullptr;
};
