// MIDI ports as devices: note names, how a byte stream becomes presses
// (running status, system exclusive floods, real-time bytes), a scripted
// port through the real server, the ALSA sequencer where there is one, and
// the default layout of a port's board.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "boards/DeviceLayouts.h"
#include "boards/LayOutBoard.h"
#include "common/Settings.h"
#include "input/InputProtocol.h"
#include "input/LocInputDx7Class.h"
#include "inputserver/MidiNotes.h"
#include "tests/RealServerRig.h"
#include "tests/ScriptPipe.h"
#include "tests/ServerPath.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"
#ifdef TAMBREL_HAVE_ALSA_MIDI_INPUT
#include <alsa/asoundlib.h>

#include "inputserver/AlsaMidiBackend.h"
#endif

namespace tambrel::test {
namespace {

using namespace tambrel::server;
using Clock = std::chrono::steady_clock;

TEST(MidiNoteNames, KeysAreNamedByNoteWithMiddleCAsC4) {
    const std::pair<int, const char*> rows[] = {{0, "C-1"}, {1, "C#-1"}, {11, "B-1"}, {12, "C0"},  {59, "B3"},
                                                {60, "C4"}, {61, "C#4"}, {69, "A4"},  {127, "G9"}, {128, ""}};
    for (const auto& [note, name] : rows) EXPECT_EQ(MidiNoteName(note), name) << note;
    const std::vector<std::string> keys = MidiKeyNames();
    ASSERT_EQ(keys.size(), 128u);
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), 128u) << "every key has a name of its own";
}

std::vector<std::uint8_t> Hex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream in(text);
    std::string b;
    while (in >> b) bytes.push_back(static_cast<std::uint8_t>(std::stoul(b, nullptr, 16)));
    return bytes;
}

// key, velocity of every change a byte stream makes.
std::vector<std::pair<int, int>> Changes(MidiByteReader& r, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::pair<int, int>> out;
    for (std::uint8_t b : bytes)
        if (const auto it = r.Feed(b)) out.emplace_back(it->keyNo, it->data);
    return out;
}

TEST(MidiBytes, WhatAByteStreamPresses) {
    using C = std::vector<std::pair<int, int>>;
    struct Row {
        const char* bytes;
        C changes;
    };
    const Row rows[] = {
        {"90 3C 64", {{61, 100}}},
        {"90 3C 64 3E 50", {{61, 100}, {63, 80}}}, // running status
        {"90 3C 00", {{61, 0}}},                   // velocity 0 is a release
        {"80 3C 40", {{61, 0}}},                   // Note Off, whatever its velocity
        {"9F 7F 01", {{128, 1}}},                  // channel 16, the highest note
        {"90 3C F8 FA 64", {{61, 100}}},           // real-time bytes inside a message
        {"F0 7E 7F 09 01 90 3C 64", {{61, 100}}},  // a status ends a system exclusive message
        {"F0 3C 64 3E 50 F7 3C 64", {}},           // its data bytes press nothing, nor do stray ones after
        {"3C 64 3E", {}},                          // data without a status
        {"90 3C 64 F1 10 3E 50", {{61, 100}}},     // system common ends running status
        {"90 3C 64 F2 10 20 3E 50", {{61, 100}}},  // ... and its data bytes are skipped
        {"C0 05 90 3C 7F", {{61, 127}}},           // one data byte for a program change
        {"B0 07 64 3C 64 D0 10 E0 00 40", {}},     // controllers, pressure, pitch bend
        {"90 3C", {}},                             // cut short
        {"90 3C 64 80 3C 00 90 3C 01", {{61, 100}, {61, 0}, {61, 1}}},
    };
    for (const Row& r : rows) {
        MidiByteReader reader;
        EXPECT_EQ(Changes(reader, Hex(r.bytes)), r.changes) << r.bytes;
    }
}

TEST(MidiBytes, AFloodOfSystemExclusiveKeepsNothingAndTheNextNoteStillPlays) {
    MidiByteReader reader;
    std::vector<std::uint8_t> flood{0xF0};
    flood.insert(flood.end(), 2'000'000, 0x55);
    EXPECT_TRUE(Changes(reader, flood).empty());
    EXPECT_EQ(Changes(reader, Hex("F7 90 40 7F")), (std::vector<std::pair<int, int>>{{65, 127}}));
}

struct Rig : RealServerRig {
    int changed = 0;

    explicit Rig(const std::string& script) : RealServerRig(script) {}
    void DevicesChanged() override { ++changed; }
};

TEST(MidiServer, AScriptedPortIsADeviceOfNotesThatPressesOnNoteOnOnly) {
    Rig rig("keyboard\nmidi-port Launchpad Mini\n");
    const auto devices = rig.Detect();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1].name, "MIDI: Launchpad Mini");
    EXPECT_TRUE(devices[1].ready);
    ASSERT_EQ(devices[1].keyNames.size(), 128u);
    EXPECT_EQ(devices[1].keyNames[0], "C-1");
    EXPECT_EQ(devices[1].keyNames[60], "C4");
    EXPECT_EQ(devices[1].keyNames[127], "G9");
    ASSERT_TRUE(rig.bridge.DxDeviceAcquire());
    rig.pipe.Write("midi 2 90 3C 64 3C 00 3E 7F\nmidi 2 80 3E 40\nmidi 2 90 3C 40\nevent 1 30 1\n");
    rig.WaitFor(4);
    // One wake-up reads the devices in order; each one's presses keep theirs.
    std::vector<std::pair<int, int>> port;
    for (const auto& p : rig.presses)
        if (p.first == 2) port.push_back(p);
    EXPECT_EQ(port, (std::vector<std::pair<int, int>>{{2, 61}, {2, 63}, {2, 61}}));
    EXPECT_EQ(rig.presses.size(), 4u);
    // Unplugged: told as any device is, and gone from the next detection.
    rig.pipe.Write("unplug 2\n");
    for (int i = 0; i < 100 && rig.changed == 0; ++i) rig.bridge.WaitForEvents(20);
    EXPECT_EQ(rig.changed, 1);
    EXPECT_EQ(rig.Detect().size(), 1u);
}

TEST(MidiServer, FloodsAndRunningStatusTricksLeaveTheServerAnsweringAndPlaying) {
    Rig rig("midi-port Floor\n");
    rig.Detect();
    ASSERT_TRUE(rig.bridge.DxDeviceAcquire());
    // A long system exclusive stream, notes hidden in it, then 5000 notes at
    // once under one running status: more than a port buffers.
    rig.pipe.Write("midi-repeat 1 200000 F0 01 02 03 90 F7\nmidi 1 F0 90 3C 64\n");
    rig.pipe.Write("midi-repeat 1 5000 90 40 7F\n");
    rig.WaitFor(5001, 800);
    ASSERT_FALSE(rig.presses.empty());
    EXPECT_EQ(rig.presses.front(), (std::pair<int, int>{1, 61})) << "a status ends the system exclusive stream";
    EXPECT_LE(rig.presses.size(), 1u + 1024u + 1u) << "at most what the port buffers";
    for (std::size_t i = 1; i < rig.presses.size(); ++i) EXPECT_EQ(rig.presses[i], (std::pair<int, int>{1, 65}));
    EXPECT_EQ(rig.Detect().size(), 1u);
    ASSERT_TRUE(rig.bridge.DxDeviceAcquire());
    rig.presses.clear();
    rig.pipe.Write("midi 1 99 24 50\n");
    rig.WaitFor(1);
    EXPECT_EQ(rig.presses, (std::vector<std::pair<int, int>>{{1, 37}}));
}

TEST(MidiAlsa, ASequencerPortIsReadWhileOnAndItsNotesPress) {
#ifndef TAMBREL_HAVE_ALSA_MIDI_INPUT
    GTEST_SKIP() << "built without ALSA (libasound2-dev)";
#else
    struct stat st {};
    if (stat("/dev/snd/seq", &st) != 0) GTEST_SKIP() << "no ALSA sequencer on this machine: /dev/snd/seq is missing";
    AlsaMidiBackend backend;
    ASSERT_TRUE(backend.Open());
    // A controller of our own: a client with a port others can read from.
    snd_seq_t* pad = nullptr;
    ASSERT_GE(snd_seq_open(&pad, "default", SND_SEQ_OPEN_OUTPUT, 0), 0);
    snd_seq_set_client_name(pad, "Test Pads");
    const int port =
        snd_seq_create_simple_port(pad, "Test Pads Out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    ASSERT_GE(port, 0);
    auto devices = backend.Enumerate();
    BackendDevice* dev = nullptr;
    for (auto& d : devices)
        if (d->name == "MIDI: Test Pads Out") dev = d.get();
    ASSERT_NE(dev, nullptr) << "the port is listed";
    EXPECT_EQ(dev->keyNames[60], "C4");
    std::string error;
    ASSERT_TRUE(dev->Acquire(error)) << error;
    auto send = [&](bool on, int note, int velocity) {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_seq_ev_set_source(&ev, port);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        if (on) snd_seq_ev_set_noteon(&ev, 0, note, velocity);
        else snd_seq_ev_set_noteoff(&ev, 0, note, 0);
        snd_seq_event_output_direct(pad, &ev);
    };
    send(true, 60, 100);
    send(false, 60, 0);
    send(true, 62, 0);
    send(true, 64, 1);
    std::vector<int> keys;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (keys.size() < 2 && Clock::now() < deadline) {
        backend.Service();
        Item items[10];
        const ReadResult r = dev->Read(items, 10);
        for (int i = 0; i < r.count; ++i) keys.push_back(items[i].keyNo);
    }
    EXPECT_EQ(keys, (std::vector<int>{61, 65}));
    dev->Unacquire();
    snd_seq_close(pad);
#endif
}

TEST(MidiLayout, APortsBoardIsElevenOctaveRowsLowestAtTheBottomWithBlackKeysSetApart) {
    TestState t{{{"Keyboard", 128}, {"MIDI: Pads", 128}, {"MIDI: Odd", 16}}};
    TempDir dir;
    Settings settings{dir.File("TambrelOrchestra.ini")};
    ReadDeviceLayout(t.st, settings, 2);
    DeviceLayout& l = t.st.InputDevices[1].Layout;
    ASSERT_EQ(l.RowCount, 11);
    const std::vector<std::string> labels = MidiKeyNames();
    LayOutBoard(l, labels, 0);
    auto key = [&](int note) { return l.Keys[static_cast<std::size_t>(note)]; };
    EXPECT_EQ(key(0).Row, 11) << "the lowest octave at the bottom";
    EXPECT_EQ(key(127).Row, 1);
    EXPECT_EQ(key(60).Row, 6);
    for (int note = 0; note < 128; ++note) {
        const bool black = (0b010101001010 >> (note % 12) & 1) != 0;
        EXPECT_EQ(key(note).Position, note % 12 + 1) << note;
        EXPECT_LT(key(note).Right, l.BoardWidth) << note;
        EXPECT_LT(key(note).Bottom, l.BoardHeight) << note;
        if (black) {
            EXPECT_LT(key(note).Width, key(note - 1).Width) << note;
            EXPECT_GE(key(note).Left - key(note - 1).Right, 5) << "a gap before black key " << note;
            if (note + 1 < 128) {
                EXPECT_GE(key(note + 1).Left - key(note).Right, 5) << "and after " << note;
            }
        }
        if (note % 12 != 0) {
            EXPECT_GT(key(note).Left, key(note - 1).Right) << "no overlap at " << note;
        }
        if (note >= 12) {
            EXPECT_GT(key(note - 12).Top, key(note).Bottom) << "octaves stacked at " << note;
        }
    }
    // Only a port's 128 notes: anything else keeps the grid.
    ReadDeviceLayout(t.st, settings, 3);
    EXPECT_EQ(t.st.InputDevices[2].Layout.RowCount, 2);
}

TEST(OscLayout, TheOscBoardIsEightRowsOfSixteenKeysWideEnoughForTheirLabels) {
    TestState t{{{"OSC", 128}, {"OSC", 8}}};
    TempDir dir;
    Settings settings{dir.File("TambrelOrchestra.ini")};
    ReadDeviceLayout(t.st, settings, 1);
    DeviceLayout& l = t.st.InputDevices[0].Layout;
    EXPECT_EQ(l.RowCount, 8);
    std::vector<std::string> labels;
    for (int k = 1; k <= 128; ++k) labels.push_back("OSC " + std::to_string(k));
    LayOutBoard(l, labels, 0);
    EXPECT_EQ(l.Keys[16].Row, 2);
    EXPECT_EQ(l.Keys[16].Position, 1);
    EXPECT_GE(l.Keys[127].Right - l.Keys[127].Left + 1, 50) << "room for \"OSC 128\"";
    EXPECT_LT(l.Keys[127].Right, l.BoardWidth);
    ReadDeviceLayout(t.st, settings, 2);
    EXPECT_EQ(t.st.InputDevices[1].Layout.Keys[0].Width, 40) << "another key count keeps the plain grid";
}

} // namespace
} // namespace tambrel::test
