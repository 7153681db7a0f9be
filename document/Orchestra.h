#pragma once
// The Orchestra document. Containers are 0-based vectors; everything outside
// this header addresses Play Boards, Sub Boards, keys and recordings with the
// 1-based numbers the user sees, through the checked accessors below. Counts
// (SetNos, BodNos, KeyNos, RecNos) are the vector sizes.

#include <cstdint>
#include <string>
#include <vector>

#include "document/KeyAddress.h"
#include "document/KeyAssign.h"

namespace tambrel {

struct SubBoard {
    std::string BodNam;
    std::string InpDev;
    std::int32_t InpDevNo = 0; // runtime: index into InputDevices, 0 = not present
    std::vector<KeyAssign> Keys;
    std::int32_t CurKey = 0; // runtime

    std::int32_t KeyNos() const { return static_cast<std::int32_t>(Keys.size()); }
    KeyAssign& Key(std::int32_t k) { return Keys.at(static_cast<std::size_t>(k - 1)); }
    const KeyAssign& Key(std::int32_t k) const { return Keys.at(static_cast<std::size_t>(k - 1)); }
};

struct PlayBoard {
    std::vector<SubBoard> Bds;
    std::string SetNam;
    std::int32_t CurBd = 0; // runtime

    std::int32_t BodNos() const { return static_cast<std::int32_t>(Bds.size()); }
    SubBoard& Bd(std::int32_t b) { return Bds.at(static_cast<std::size_t>(b - 1)); }
    const SubBoard& Bd(std::int32_t b) const { return Bds.at(static_cast<std::size_t>(b - 1)); }
};

struct KeyStroke {
    std::int32_t KeyNo = 0;
    std::int32_t InpDvNo = 0;
    float time = 0.0f; // seconds from the start of the recording
};

struct Recording {
    std::vector<KeyStroke> events;
    std::string Name;

    std::int32_t count() const { return static_cast<std::int32_t>(events.size()); }
};

struct Orchestra {
    std::vector<PlayBoard> PlayBoards;
    std::int32_t CurSet = 0;
    std::vector<Recording> Recordings;
    std::int32_t CurRec = 0;
    std::string OrcFile;
    std::string OpenMsg;

    std::int32_t SetNos() const { return static_cast<std::int32_t>(PlayBoards.size()); }
    std::int32_t RecNos() const { return static_cast<std::int32_t>(Recordings.size()); }
    PlayBoard& Set(std::int32_t p) { return PlayBoards.at(static_cast<std::size_t>(p - 1)); }
    const PlayBoard& Set(std::int32_t p) const { return PlayBoards.at(static_cast<std::size_t>(p - 1)); }

    bool ValidSet(std::int32_t p) const { return p >= 1 && p <= SetNos(); }
    bool ValidSet(PlayBoardNo p) const { return ValidSet(p.value); }
    bool ValidKey(const KeyAddress& a) const;
    // The key at a, or nullptr when any of its numbers is out of range.
    KeyAssign* FindKey(const KeyAddress& a);
    const KeyAssign* FindKey(const KeyAddress& a) const;
};

} // namespace tambrel
