#include "watcher/BattleState.h"
#include "watcher/GameAddressTable.h"
#include "watcher/GameProcess.h"
#include "watcher/WatcherThread.h"

// What a successful name read returns: the name buffer's address where it
// fits the 32-bit result. A 64-bit build's address does not, so it returns 0
// (never -1); callers read GameNameBuffer either way.
static int32_t NameReference()
{
#if UINTPTR_MAX == 0xFFFFFFFFu
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(GameWatcher.nameBuffer));
#else
    return 0;
#endif
}

static bool ReadBytes(HANDLE process, uint32_t address, void* output, uint32_t size)
{
    SIZE_T got = 0;
    return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)), output, size,
                             &got) &&
           got == size;
}

static bool ReadWord(HANDLE process, uint32_t address, uint32_t* output)
{
    return ReadBytes(process, address, output, sizeof *output);
}

static int32_t ReadWordValue(HANDLE process, uint32_t address)
{
    uint32_t v;
    return ReadWord(process, address, &v) ? static_cast<int32_t>(v) : GAME_VALUE_UNREADABLE;
}

static int32_t ReadBattleMode(HANDLE process)
{
    const GameAddressTable& t = GameAddresses;
    uint32_t manager;
    if (!ReadWord(process, t.battleManagerAddress, &manager))
        return GAME_VALUE_UNREADABLE;
    return ReadWordValue(process, manager + t.battleModeOffset);
}

static int32_t ReadWinCount(HANDLE process, uint32_t playerOffset)
{
    const GameAddressTable& t = GameAddresses;
    uint32_t manager, player;
    uint8_t wins;
    if (!ReadWord(process, t.battleManagerAddress, &manager) || !ReadWord(process, manager + playerOffset, &player) ||
        !ReadBytes(process, player + t.winCountOffset, &wins, 1))
        return GAME_VALUE_UNREADABLE;
    return wins;
}

static int32_t ReadHostPeer(HANDLE process)
{
    const GameAddressTable& t = GameAddresses;
    uint32_t network, entry, tag;
    if (!ReadWord(process, t.networkObjectAddress, &network) ||
        !ReadWord(process, network + t.peerListOffset, &entry) || !ReadWord(process, entry + 16, &tag))
        return GAME_VALUE_UNREADABLE;
    // An entry marked this way holds no peer yet.
    if (tag == 0xFFFFFFFFu)
        return GAME_VALUE_UNREADABLE;
    return ReadWordValue(process, entry + 4);
}

static int32_t ReadClientPeer(HANDLE process)
{
    const GameAddressTable& t = GameAddresses;
    uint32_t network, family, address;
    // A destination record whose first word is 0 was never filled: the
    // client then talks to the host peer.
    if (ReadWord(process, t.networkObjectAddress, &network) &&
        ReadWord(process, network + t.destinationOffset, &family) && family != 0 &&
        ReadWord(process, network + t.destinationOffset + 4, &address))
        return static_cast<int32_t>(address);
    return ReadHostPeer(process);
}

static bool ReadNameInto(HANDLE process, uint32_t nameOffset, char* name)
{
    uint32_t network;
    return ReadWord(process, GameAddresses.networkObjectAddress, &network) &&
           ReadBytes(process, network + nameOffset, name, GAME_NAME_SIZE);
}

static int32_t ReadName(HANDLE process, uint32_t nameOffset)
{
    return ReadNameInto(process, nameOffset, GameWatcher.nameBuffer) ? NameReference() : GAME_VALUE_UNREADABLE;
}

static int32_t ReadChain(HANDLE process, int32_t selector)
{
    const GameAddressTable& t = GameAddresses;
    switch (selector) {
    case SceneId:
        return ReadWordValue(process, t.sceneIdAddress);
    case CommMode:
        return ReadWordValue(process, t.commModeAddress);
    case BattleMode:
        return ReadBattleMode(process);
    case LeftCharId:
        return ReadWordValue(process, t.leftCharIdAddress);
    case RightCharId:
        return ReadWordValue(process, t.rightCharIdAddress);
    case LeftWinCount:
        return ReadWinCount(process, t.leftCharOffset);
    case RightWinCount:
        return ReadWinCount(process, t.rightCharOffset);
    case HostPeerAddress:
        return ReadHostPeer(process);
    case ClientPeerAddress:
        return ReadClientPeer(process);
    case LeftProfileName:
        return ReadName(process, t.leftProfileOffset);
    case RightProfileName:
        return ReadName(process, t.rightProfileOffset);
    default:
        return GAME_VALUE_UNREADABLE;
    }
}

int32_t ReadGameValue(int32_t selector)
{
    // The watcher may close the handle at any moment; holding the game read
    // keeps the handle open until the chain is done.
    HANDLE process = BeginGameRead();
    int32_t value = process ? ReadChain(process, selector) : GAME_VALUE_UNREADABLE;
    EndGameRead();
    return value;
}

bool ReadGameName(int32_t selector, char* name)
{
    if (selector != LeftProfileName && selector != RightProfileName)
        return false;
    const GameAddressTable& t = GameAddresses;
    HANDLE process = BeginGameRead();
    bool read = process &&
                ReadNameInto(process, selector == LeftProfileName ? t.leftProfileOffset : t.rightProfileOffset, name);
    EndGameRead();
    return read;
}

const char* GameNameBuffer()
{
    return GameWatcher.nameBuffer;
}
