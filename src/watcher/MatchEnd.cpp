#include "watcher/MatchEnd.h"

static void CaptureName(int32_t selector, char* name)
{
    memset(name, 0, GAME_NAME_SIZE + 1);
    if (!ReadGameName(selector, name))
        memset(name, 0, GAME_NAME_SIZE);
}

void CaptureMatchEnd(bool seenAtAttach, MatchEnd* end)
{
    GetLocalTime(&end->localTime);
    end->scene = ReadGameValue(SceneId);
    end->commMode = ReadGameValue(CommMode);
    end->hostPeer = ReadGameValue(HostPeerAddress);
    end->clientPeer = ReadGameValue(ClientPeerAddress);
    end->leftWins = ReadGameValue(LeftWinCount);
    end->rightWins = ReadGameValue(RightWinCount);
    end->leftChar = ReadGameValue(LeftCharId);
    end->rightChar = ReadGameValue(RightCharId);
    CaptureName(LeftProfileName, end->leftName);
    CaptureName(RightProfileName, end->rightName);
    end->seenAtAttach = seenAtAttach;
}
