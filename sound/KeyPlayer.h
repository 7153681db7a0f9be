#pragma once
// The key play dispatcher: every press that should make a sound ends in
// PlayKey, which acts on the key's assignment by sound source and play style.
// The key player also owns what the styles need later (the pool of overlapping
// copies, the scheduled-action timers, the five play queues) and the stop and
// silence routines shared by the stop buttons, action keys and the editor.
//
// Keys are addressed by their KeyAddress. The sound-path
// routines end quietly on an error while ErrorTrapping is on; StopSounds shows
// the error instead. User-interface thread only.

#include <cstdint>
#include <vector>

#include "common/TimerHost.h"
#include "document/ProgramState.h"
#include "audio/Mixer.h"
#include "sound/MidiPlayer.h"
#include "sound/PlayQueues.h"
#include "sound/ReplayTimers.h"

namespace tambrel {

enum StopOption : int { kStopAll = 0, kStopMidi = 1, kStopLoopAndQueue = 2 };

// One overlapping copy: a duplicate of some key's buffer and that key.
struct DupBuf {
    SoundBufferRef Buf;
    KeyAddress Owner;
};

class KeyPlayer final : private ReplayActions, private SoundEngine {
public:
    // Becomes st.soundEngine; the destructor takes itself away again.
    KeyPlayer(ProgramState& st, Mixer& mixer, TimerHost& host, MidiPlayer& midi);
    ~KeyPlayer() override;
    KeyPlayer(const KeyPlayer&) = delete;
    KeyPlayer& operator=(const KeyPlayer&) = delete;

    // Acts on one press.
    void PlayKey(KeyAddress key);
    // One more overlapping copy of the key's wave, from its start; reuses the
    // lowest-numbered copy that has finished.
    void PlayDupCopy(KeyAddress key) override;
    // Stops and rewinds the key's own buffer; a loop-style wave key stops looping.
    void StopKey(KeyAddress key) override;
    void StopDupCopies(KeyAddress key);
    // Cancels everything the wave key has playing or pending (it was muted).
    void SilenceKey(KeyAddress key);
    // Cancels what the key has pending whatever its play style now: its
    // delayed copies, the end of its counted loop and its waiting queue
    // entries; a queue playing it goes on to its next entry at once. For a
    // key whose source or play style changes, so nothing of the old
    // assignment sounds later.
    void CancelPending(KeyAddress key);
    // kStopAll, kStopMidi or kStopLoopAndQueue; other values do nothing.
    void StopSounds(int option);
    void StopAllSounds() override;
    // The key's action command: change the active Play Board, or stop sounds.
    void DoActionCmd(KeyAddress key);
    // The key popup's "Mute": toggles Mute, silencing the key when it became muted.
    void ToggleMute(KeyAddress key);

    void ServeQueue(std::int32_t q) override;

    const std::vector<DupBuf>& DupBufs() const { return dupBufs_; }
    TimerPool& Timers() { return timers_; }
    PlayQueues& Queues() { return queues_; }

private:
    void PlayKeyNow(KeyAddress key);
    void PlayDupCopyNow(KeyAddress owner);
    void StopDupCopiesNow(KeyAddress owner);
    void SilenceKeyNow(KeyAddress key);
    void CancelPendingNow(KeyAddress me);
    // The entry playing in queue q is cut short: its copies stop, it does not
    // loop again, and the queue's pending service runs now.
    void EndQueueTurn(std::int32_t q, KeyAddress me);
    void StopSoundsNow(int option);
    void DoActionCmdNow(KeyAddress key);
    void PlayMultiple(const KeyAssign& k, KeyAddress owner);
    void PlayLoop(KeyAssign& k, KeyAddress owner);
    void PlayQueued(const KeyAssign& k, KeyAddress owner);
    void EmptyQueues();
    void StopKeyIf(bool (*which)(const KeyAssign&));
    // Runs a timer's action now, whatever remainder of a long delay it had left.
    static void FireNow(TimerClass1& t);
    void ShowKeyIcon(KeyAddress k);
    // Tells the windows the key sounds, for ms (-1: until stopped).
    void Played(KeyAddress k, std::int32_t ms);
    static std::int32_t WaveMs(const KeyAssign& k);
    // Runs f, ending quietly on an error while ErrorTrapping is on.
    template <class F>
    void Quietly(F&& f);

    ProgramState& st_;
    Mixer& mixer_;
    MidiPlayer& midi_;
    std::vector<DupBuf> dupBufs_;
    TimerPool timers_;
    PlayQueues queues_;
};

// Makes Play Board p the active one, the way activating its board view does:
// the view is asked to come to the front, CurSet becomes p, the active Play
// Board's name and the menus follow, and the editor moves to that Play Board.
// Nothing happens when p is not a Play Board.
void ActivatePlayBoard(ProgramState& st, std::int32_t p);
// The model side alone, for the board view's own activation handler.
void PlayBoardActivated(ProgramState& st, std::int32_t p);

} // namespace tambrel
