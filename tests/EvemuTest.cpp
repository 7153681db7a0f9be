// The recording format of real devices: what is read from it, and what is
// refused as broken or hostile.

#include "inputserver/Evemu.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <string>

#include "inputserver/DeviceName.h"
#include "tests/TempDir.h"

namespace tambrel::server {
namespace {

constexpr const char* kHeader = "N: Pad\nI: 0003 045e 028e 0110\nB: 00 0b\nB: 01 00 00 00 00 00 00 00 00\n"
                                "B: 01 00 00 00 00 00 00 00 00\nB: 01 00 00 00 00 00 00 00 00\n"
                                "B: 01 00 00 00 00 00 00 00 00\nB: 01 00 00 00 00 00 00 db 7c\n";

TEST(Evemu, ReadsNameIdsBitsAxesAndEventsOfEveryFormat) {
    const std::string text = std::string("# EVEMU 1.3\n") + kHeader +
                             "P: 21 00 00 00 00 00 00 00\n"
                             "A: 00 -32768 32767 16 128 0\n" // 1.2 and later: with resolution
                             "A: 10 -1 1 0 0\n"              // 1.0: without
                             "E: 1329846856.201613 0003 0000 -001\t# EV_ABS / ABS_X -1\n"
                             "E: 1329846856.250000 0001 0130 0001\n"
                             "E: 1329846856.1 0000 0000 0000\n"; // the clock went back: plays at once
    EvemuDevice d;
    std::string error;
    ASSERT_TRUE(ParseEvemu(text, d, error)) << error;
    EXPECT_EQ(d.name, "Pad");
    EXPECT_EQ(d.bus, 3);
    EXPECT_EQ(d.vendor, 0x45e);
    EXPECT_EQ(d.product, 0x28e);
    EXPECT_EQ(d.version, 0x110);
    EXPECT_TRUE(d.HasProp(0));
    EXPECT_TRUE(d.HasProp(5));
    EXPECT_FALSE(d.HasProp(1));
    EXPECT_TRUE(d.HasType(EV_KEY));
    EXPECT_TRUE(d.HasType(EV_ABS));
    EXPECT_FALSE(d.HasType(EV_REL));
    EXPECT_TRUE(d.Has(EV_KEY, BTN_SOUTH));
    EXPECT_TRUE(d.Has(EV_KEY, BTN_THUMBR));
    EXPECT_FALSE(d.Has(EV_KEY, BTN_C));
    ASSERT_EQ(d.abs.size(), 2u);
    EXPECT_EQ(d.abs[0].min, -32768);
    EXPECT_EQ(d.abs[0].flat, 128);
    EXPECT_EQ(d.abs[1].code, ABS_HAT0X);
    ASSERT_EQ(d.events.size(), 3u);
    EXPECT_EQ(d.events[0].atUs, 0);
    EXPECT_EQ(d.events[0].value, -1);
    EXPECT_EQ(d.events[1].atUs, 48387);
    EXPECT_EQ(d.events[1].code, BTN_SOUTH);
    EXPECT_EQ(d.events[2].atUs, 48387);
}

TEST(Evemu, RefusesWhatIsNoDeviceDescription) {
    struct Row {
        const char* why;
        std::string text;
        const char* says;
    };
    const std::string h = kHeader;
    const Row rows[] = {
        {"events alone", "E: 0.000001 0001 001e 0001\n", "no device description"},
        {"no name", "B: 00 0b\n", "no device description"},
        {"two names", "N: A\nN: B\nB: 00 03\n", "line 2: a second device name"},
        {"a line of no kind", h + "hello\n", "line 9: not a line"},
        {"ids short", "N: A\nI: 0003 045e\nB: 00 03\n", "line 2: the ids"},
        {"id past 16 bits", "N: A\nI: 10003 0 0 0\nB: 00 03\n", "line 2: an id"},
        {"unknown type", "N: A\nB: 20 ff\n", "line 2: an unknown event type"},
        {"bit not hex", "N: A\nB: 01 zz\n", "line 2: a capability byte"},
        {"bit too large", "N: A\nB: 01 100\n", "line 2: a capability byte"},
        {"axis past ABS_MAX", h + "A: 40 0 1 0 0\n", "line 9: an unknown axis"},
        {"axis short", h + "A: 00 0 1\n", "line 9: an axis wants"},
        {"axis twice", h + "A: 00 0 1 0 0\nA: 00 0 1 0 0\n", "line 10: the axis is described twice"},
        {"axis past 32 bits", h + "A: 00 0 4294967296 0 0\n", "line 9: an axis number"},
        {"event time", h + "E: 12 0001 001e 1\n", "line 9: an event's time"},
        {"event time too fine", h + "E: 0.0000001 0001 001e 1\n", "line 9: an event's time"},
        {"event value", h + "E: 0.1 0001 001e x\n", "line 9: an event's value"},
        {"event short", h + "E: 0.1 0001 001e\n", "line 9: an event wants"},
        {"line too long", h + "N" + std::string(5000, 'x') + "\n", "line 9: the line is too long"},
    };
    for (const Row& r : rows) {
        EvemuDevice d;
        std::string error;
        EXPECT_FALSE(ParseEvemu(r.text, d, error)) << r.why;
        EXPECT_NE(error.find(r.says), std::string::npos) << r.why << ": " << error;
        EXPECT_TRUE(d.name.empty() && d.events.empty()) << r.why << ": nothing half-read is kept";
    }
}

TEST(Evemu, BitsPastATypesRangeAndUnknownLinesAreLeftOut) {
    // evemu pads the last line of a type; later formats add lines of their own.
    const std::string text = "N: Keys\nB: 00 03\nB: 02 ff ff ff ff ff ff ff ff\nB: 02 ff\nS: 1\nB: 01 02\n";
    EvemuDevice d;
    std::string error;
    ASSERT_TRUE(ParseEvemu(text, d, error)) << error;
    EXPECT_TRUE(d.Has(EV_REL, REL_MAX));
    EXPECT_EQ(d.bits[EV_REL].size(), REL_MAX / 8 + 1u);
    EXPECT_TRUE(d.Has(EV_KEY, KEY_ESC));
    EXPECT_FALSE(d.Set(EV_REL, REL_MAX + 1));
}

TEST(Evemu, FilesAreReadWithinTheirLimit) {
    test::TempDir dir;
    EvemuDevice d;
    std::string error;
    EXPECT_FALSE(ReadEvemuFile(dir.File("none.evemu"), d, error));
    EXPECT_EQ(error, "cannot be opened");
    const std::string big = dir.Write("big.evemu", std::string(kMaxEvemuBytes + 1, '#'));
    EXPECT_FALSE(ReadEvemuFile(big, d, error));
    EXPECT_NE(error.find("larger than"), std::string::npos);
    const std::string ok = dir.Write("ok.evemu", "N: Pad\nB: 00 0b\n");
    EXPECT_TRUE(ReadEvemuFile(ok, d, error)) << error;
}

TEST(DeviceName, HardwareNamesBecomePlainShortText) {
    struct Row {
        std::string raw, shown;
    };
    const Row rows[] = {
        {"Mad Catz Wired Xbox 360 Controller", "Mad Catz Wired Xbox 360 Controller"},
        {"Microsoft Microsoft\xc2\xae Nano Transceiver v2.0", "Microsoft Microsoft\xae Nano Transceiver v2.0"},
        {"Pad\tWith\nBreaks\x1b[31m", "Pad With Breaks [31m"},
        {"Bell\x07 and C1\xc2\x85 control", "Bell and C1 control"},
        {"  lots   of    blanks  ", "lots of blanks"},
        {"bad \xff utf8", "bad ? utf8"},
        {"", std::string(kUnnamedDevice)},
        {"\x01\x02 \x7f", std::string(kUnnamedDevice)},
        {std::string(300, 'x'), std::string(kMaxDeviceNameChars, 'x')},
    };
    for (const Row& r : rows) EXPECT_EQ(DeviceNameFromHardware(r.raw), r.shown) << r.raw;
}

} // namespace
} // namespace tambrel::server
