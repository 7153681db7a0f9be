#include "sound/KeyPlayer.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "common/NumberText.h"
#include "common/SplitText.h"

namespace tambrel {

KeyPlayer::KeyPlayer(ProgramState& st, Mixer& mixer, TimerHost& host, MidiPlayer& midi)
    : st_(st), mixer_(mixer), midi_(midi), timers_(host, *this), queues_(st, timers_, *this) {
    st_.soundEngine = this;
}

KeyPlayer::~KeyPlayer() {
    if (st_.soundEngine == this) st_.soundEngine = nullptr;
}

void KeyPlayer::StopAllSounds() { StopSounds(kStopAll); }

template <class F>
void KeyPlayer::Quietly(F&& f) {
    try {
        f();
    } catch (const std::exception&) {
        if (!st_.ErrorTrapping) throw;
    }
}

void KeyPlayer::ShowKeyIcon(KeyAddress k) { st_.views.Post(notice::ShowKeyIcon{k}); }

void KeyPlayer::Played(KeyAddress k, std::int32_t ms) { st_.views.Post(notice::KeyPlayed{k, ms}); }

std::int32_t KeyPlayer::WaveMs(const KeyAssign& k) {
    const double ms = static_cast<double>(k.WaveDur) * 1000.0;
    return ms >= 0.0 && ms < 2e9 ? static_cast<std::int32_t>(ms + 0.5) : 0;
}

// ---- PlayKey ----

void KeyPlayer::PlayKey(KeyAddress key) {
    Quietly([&] { PlayKeyNow(key); });
}

void KeyPlayer::PlayKeyNow(KeyAddress key) {
    // A key number beyond the Sub Board (or a board that is gone) ends the press.
    KeyAssign* k = st_.Orc.FindKey(key);
    if (!k) return;
    if (FlagOn(k->Mute)) {
        st_.shell.Status("Muted Key");
        return;
    }
    switch (k->SndSrc) {
    case kSrcMidi:
        midi_.PlayMidiKey(key);
        // Read again: sending may have shown a message, during which the
        // key could have changed.
        if (const KeyAssign* sent = st_.Orc.FindKey(key)) Played(key, std::max(sent->Dur, 0));
        return;
    case kSrcAction:
        DoActionCmdNow(key);
        Played(key, 0);
        return;
    case kSrcWave: break;
    default: return;
    }
    if (k->WaveDur == 0.0f) return;

    const KeyAddress owner = key;
    switch (k->PlayStyl) {
    case kPlayOnce:
        if (FlagOn(k->AllowDup)) {
            PlayDupCopyNow(owner);
        } else if (k->SndBuf) {
            // From where the buffer stands: a press while it sounds changes nothing.
            mixer_.Play(*k->SndBuf, false);
            Played(owner, WaveMs(*k));
        }
        break;
    case kPlayMulti: PlayMultiple(*k, owner); break;
    case kPlayLoop: PlayLoop(*k, owner); break;
    case kPlayQueue: PlayQueued(*k, owner); break;
    default: break;
    }
}

void KeyPlayer::PlayMultiple(const KeyAssign& k, KeyAddress owner) {
    // One timer per piece between commas; an empty list has no pieces, while
    // an empty piece plays at once.
    TextItems pieces(k.MultiTimLst, ',', EmptyText::NoItems);
    for (std::string_view piece; pieces.Next(piece);)
        timers_.Schedule(owner, 0, kTimerPlayCopy, DelayMs(ParseLenient(piece)));
    timers_.Trim();
}

void KeyPlayer::PlayLoop(KeyAssign& k, KeyAddress owner) {
    if (k.Looping) {
        StopKey(owner);
        if (k.LoopOption == kLoopCounted) {
            // Its counting timer; a copy still pending from when the key had
            // another style is left alone.
            for (std::int32_t i = 1; i <= timers_.TimerNos(); ++i) {
                TimerClass1& t = timers_.Timer(i);
                if (!t.IsFree && t.ActType == kTimerStopKey && t.Owner() == owner) {
                    t.ResetIt();
                    break;
                }
            }
        }
        return;
    }
    if (!k.SndBuf) return;
    mixer_.Play(*k.SndBuf, true);
    k.Looping = kVbTrue;
    Played(owner, notice::KeyPlayed::kUntilStopped);
    if (k.LoopOption == kLoopCounted) {
        timers_.Schedule(owner, 0, kTimerStopKey, DelayMs(static_cast<double>(k.WaveDur) * k.LoopTimes));
        timers_.Trim();
    }
    ShowKeyIcon(owner);
}

void KeyPlayer::PlayQueued(const KeyAssign& k, KeyAddress owner) {
    const std::int32_t q = k.QueNo;
    PlayQueue& Q = queues_.Queue(q); // throws for a queue number outside 0..4
    if (k.QueDupLoop == kQueNoDup && Q.QueBusy && Q.Holds(owner)) return;
    Q.QueItems.push_back(owner);
    if (!Q.QueBusy) queues_.ServeQueue(q);
}

// ---- copies ----

void KeyPlayer::PlayDupCopy(KeyAddress key) {
    Quietly([&] { PlayDupCopyNow(key); });
}

void KeyPlayer::PlayDupCopyNow(KeyAddress owner) {
    const KeyAssign* k = st_.Orc.FindKey(owner);
    // Checked before an entry is taken, so the pool never gains an entry
    // without a buffer.
    if (!k || !k->SndBuf) return;

    // The lowest-numbered entry whose copy has finished, else a new one.
    DupBuf* slot = nullptr;
    for (DupBuf& d : dupBufs_) {
        if (!d.Buf || !(mixer_.Status(*d.Buf) & Mixer::kStatusPlaying)) {
            slot = &d;
            break;
        }
    }
    SoundBufferRef copy = k->SndBuf->Duplicate();
    if (!slot) slot = &dupBufs_.emplace_back();
    slot->Buf = std::move(copy);
    slot->Owner = owner;
    mixer_.Play(*slot->Buf, false);
    Played(owner, WaveMs(*k));
}

void KeyPlayer::StopDupCopies(KeyAddress key) {
    Quietly([&] { StopDupCopiesNow(key); });
}

void KeyPlayer::StopDupCopiesNow(KeyAddress owner) {
    bool sounded = false;
    for (DupBuf& d : dupBufs_) {
        if (d.Buf && d.Owner == owner) {
            sounded = sounded || (mixer_.Status(*d.Buf) & Mixer::kStatusPlaying) != 0;
            mixer_.Stop(*d.Buf);
        }
    }
    if (sounded) st_.views.Post(notice::KeyStoppedSounding{owner});
}

// ---- stopping ----

void KeyPlayer::StopKey(KeyAddress key) {
    // Always quiet: it runs on every key for "Stop All", most of them without a wave.
    try {
        KeyAssign* k = st_.Orc.FindKey(key);
        if (!k || !k->SndBuf) return;
        // Only a voice that sounded ends: Stop All runs here for every key.
        const bool sounded = (mixer_.Status(*k->SndBuf) & Mixer::kStatusPlaying) != 0 || k->Looping != kVbFalse;
        mixer_.Stop(*k->SndBuf);
        mixer_.Rewind(*k->SndBuf);
        if (k->SndSrc == kSrcWave && k->PlayStyl == kPlayLoop) {
            k->Looping = kVbFalse;
            ShowKeyIcon(key);
        }
        if (sounded) st_.views.Post(notice::KeyStoppedSounding{key});
    } catch (const std::exception&) {
    }
}

void KeyPlayer::FireNow(TimerClass1& t) {
    t.RestMs = 0;
    t.Trigger();
}

void KeyPlayer::SilenceKey(KeyAddress key) {
    Quietly([&] { SilenceKeyNow(key); });
}

void KeyPlayer::SilenceKeyNow(KeyAddress key) {
    const KeyAssign* k = st_.Orc.FindKey(key);
    if (!k || k->SndSrc != kSrcWave || k->WaveDur == 0.0f) return;
    const KeyAddress me = key;
    switch (k->PlayStyl) {
    case kPlayOnce:
        if (FlagOn(k->AllowDup)) StopDupCopiesNow(me);
        else StopKey(key);
        break;
    case kPlayMulti:
        StopDupCopiesNow(me);
        for (std::int32_t i = 1; i <= timers_.TimerNos(); ++i) {
            TimerClass1& t = timers_.Timer(i);
            if (!t.IsFree && t.ActType == kTimerPlayCopy && t.Owner() == me) t.ResetIt();
        }
        break;
    case kPlayLoop: StopKey(key); break;
    case kPlayQueue: {
        const std::int32_t q = k->QueNo;
        PlayQueue& Q = queues_.Queue(q);
        if (!Q.QueBusy) break;
        for (std::int32_t i = Q.QueCount(); i >= 1; --i)
            if (Q.QueItems[static_cast<std::size_t>(i)] == me) Q.RemoveWaiting(i);
        if (Q.QueItems[0] != me) break;
        EndQueueTurn(q, me);
        break;
    }
    default: break;
    }
}

void KeyPlayer::EndQueueTurn(std::int32_t q, KeyAddress me) {
    PlayQueue& Q = queues_.Queue(q);
    StopDupCopiesNow(me);
    // A keep-looping entry must not be replayed by the service below.
    Q.QueLoop = kVbFalse;
    // Only the services pending now: serving arms a new one, which must
    // not be fired as well.
    std::vector<TimerClass1*> pending;
    for (std::int32_t i = 1; i <= timers_.TimerNos(); ++i) {
        TimerClass1& t = timers_.Timer(i);
        if (!t.IsFree && t.ActType == kTimerServeQueue && t.QueIdx == q) pending.push_back(&t);
    }
    for (TimerClass1* t : pending)
        if (!t->IsFree && t->ActType == kTimerServeQueue && t->QueIdx == q) FireNow(*t);
}

void KeyPlayer::CancelPending(KeyAddress key) {
    Quietly([&] { CancelPendingNow(key); });
}

void KeyPlayer::CancelPendingNow(KeyAddress me) {
    // Whatever style armed them: a copy scheduled while the key had another
    // style must not sound after the change either.
    for (std::int32_t i = 1; i <= timers_.TimerNos(); ++i) {
        TimerClass1& t = timers_.Timer(i);
        if (!t.IsFree && (t.ActType == kTimerPlayCopy || t.ActType == kTimerStopKey) && t.Owner() == me) t.ResetIt();
    }
    // Every queue, not only the one QueNo names now: the key may have joined
    // another before its queue number changed.
    for (std::int32_t q = 0; q < kQueueCount; ++q) {
        PlayQueue& Q = queues_.Queue(q);
        if (!Q.QueBusy) continue;
        for (std::int32_t i = Q.QueCount(); i >= 1; --i)
            if (Q.QueItems[static_cast<std::size_t>(i)] == me) Q.RemoveWaiting(i);
        if (Q.QueItems[0] == me) EndQueueTurn(q, me);
    }
}

void KeyPlayer::EmptyQueues() {
    for (std::int32_t q = 0; q < kQueueCount; ++q) {
        PlayQueue& Q = queues_.Queue(q);
        if (Q.QueBusy) {
            const KeyAddress cur = Q.QueItems[0];
            StopKey(cur);
        }
        Q.Empty();
    }
}

void KeyPlayer::StopKeyIf(bool (*which)(const KeyAssign&)) {
    auto& sets = st_.Orc.PlayBoards;
    for (std::size_t p = 0; p < sets.size(); ++p)
        for (std::size_t b = 0; b < sets[p].Bds.size(); ++b)
            for (std::size_t i = 0; i < sets[p].Bds[b].Keys.size(); ++i)
                if (which(sets[p].Bds[b].Keys[i]))
                    StopKey({PlayBoardNo{static_cast<std::int32_t>(p + 1)},
                             SubBoardNo{static_cast<std::int32_t>(b + 1)}, KeyNo{static_cast<std::int32_t>(i + 1)}});
}

void KeyPlayer::StopSounds(int option) {
    try {
        StopSoundsNow(option);
    } catch (const std::exception& e) {
        if (!st_.ErrorTrapping) throw;
        st_.shell.Message(e.what(), "", MsgButtons::Ok);
    }
}

void KeyPlayer::StopSoundsNow(int option) {
    switch (option) {
    case kStopAll:
        if (midi_.MidiReady()) midi_.StopAllMidi();
        for (std::int32_t i = 1; i <= timers_.TimerNos(); ++i) {
            TimerClass1& t = timers_.Timer(i);
            if (t.IsFree) continue;
            if (t.ActType == kTimerPlayCopy || t.ActType == kTimerServeQueue) t.ResetIt();
            // A counted loop ends now, even one with a long delay still ahead;
            // left armed, it would later stop the key's next loop early.
            else if (t.ActType == kTimerStopKey) FireNow(t);
        }
        StopKeyIf([](const KeyAssign&) { return true; });
        EmptyQueues();
        for (DupBuf& d : dupBufs_)
            if (d.Buf && (mixer_.Status(*d.Buf) & Mixer::kStatusPlaying)) mixer_.Stop(*d.Buf);
        break;
    case kStopMidi:
        if (midi_.MidiReady()) midi_.StopAllMidi();
        break;
    case kStopLoopAndQueue:
        for (std::int32_t i = 1; i <= timers_.TimerNos(); ++i) {
            TimerClass1& t = timers_.Timer(i);
            if (!t.IsFree && (t.ActType == kTimerStopKey || t.ActType == kTimerServeQueue)) t.ResetIt();
        }
        StopKeyIf([](const KeyAssign& k) { return k.Looping != kVbFalse; });
        EmptyQueues();
        break;
    default: break;
    }
}

// ---- action keys and mute ----

void KeyPlayer::DoActionCmd(KeyAddress key) {
    Quietly([&] { DoActionCmdNow(key); });
}

void KeyPlayer::DoActionCmdNow(KeyAddress key) {
    const KeyAssign* k = st_.Orc.FindKey(key);
    if (!k) return;
    switch (k->ActCmd) {
    case kActChangeTable:
        if (k->ActSub1 >= 1 && k->ActSub1 <= st_.Orc.SetNos()) ActivatePlayBoard(st_, k->ActSub1);
        break;
    case kActStopPlay:
        switch (k->ActSub1) {
        case kActStopAll: StopSounds(kStopAll); break;
        case kActStopMidi: StopSounds(kStopMidi); break;
        case kActStopLoopAndQueue: StopSounds(kStopLoopAndQueue); break;
        default: break;
        }
        break;
    default: break;
    }
}

void KeyPlayer::ToggleMute(KeyAddress key) {
    KeyAssign* k = st_.Orc.FindKey(key);
    if (!k) return;
    k->Mute = FlagOn(k->Mute) ? kFlagOff : kFlagOn;
    st_.SetModified();
    if (FlagOn(k->Mute)) SilenceKey(key);
    ShowKeyIcon(key);
}

void KeyPlayer::ServeQueue(std::int32_t q) {
    Quietly([&] { queues_.ServeQueue(q); });
}

// ---- activation ----

void PlayBoardActivated(ProgramState& st, std::int32_t p) {
    Orchestra& o = st.Orc;
    if (!o.ValidSet(p)) return;
    o.CurSet = p;
    st.views.Post(notice::ShowActivePlayBoard{});
    st.views.Post(notice::UpdateBoardMenu{});
    if (st.EditSet != p) {
        const PlayBoard& pb = o.Set(p);
        st.EditSet = p;
        st.EditBd = pb.CurBd;
        st.EditKey = pb.CurBd >= 1 && pb.CurBd <= pb.BodNos() ? pb.Bd(pb.CurBd).CurKey : 0;
    }
}

void ActivatePlayBoard(ProgramState& st, std::int32_t p) {
    if (!st.Orc.ValidSet(p)) return;
    st.views.Post(notice::ActivateBoardView{PlayBoardNo{p}});
    PlayBoardActivated(st, p);
}

} // namespace tambrel
