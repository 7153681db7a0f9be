// The ALSA sequencer ports. Here only what holds on every machine: without a
// sequencer there are no ports and no error.

#include <gtest/gtest.h>

#ifdef TAMBREL_HAVE_ALSA_MIDI
#include "sound/alsa/AlsaMidiPorts.h"
#endif

namespace tambrel::test {
namespace {

#ifdef TAMBREL_HAVE_ALSA_MIDI

TEST(AlsaMidiPorts, NoSequencerMeansNoPortsAndNoError) {
    AlsaMidiService service("/nonexistent/seq");
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(service.ListPorts().empty());
    std::string error;
    EXPECT_EQ(service.OpenPort(0, error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

#else

TEST(AlsaMidiPorts, NeedsTheAlsaAdapter) { GTEST_SKIP() << "the tests are built without the RtMidi ALSA adapter"; }

#endif

} // namespace
} // namespace tambrel::test
