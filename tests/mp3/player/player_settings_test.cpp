#include <gtest/gtest.h>

#include "mp3/player/player_settings.h"
#include "orvane/dsp.h"
#include "orvane/mp3.h"
#include "support/vector_path.h"

namespace {

// The mp3 switches are libdsp's: one choice that plays, handles and effects all read.
TEST(PlayerSettings, VectorSwitchesAreTheProcessWideOnes)
{
    using player::SimdPath;
    const testsig::VectorPathScope restore;
    OrvaneEnableSSE(1);
    OrvaneEnableAVX2(1);
    EXPECT_EQ(player::decoderSettings().path, decoder::usableVectorPath(SimdPath::Avx2));
    OrvaneEnable3dnow(1);
    EXPECT_EQ(dspGetVectorPath(), 2);
    EXPECT_EQ(player::decoderSettings().path, SimdPath::ThreeDNow);
    OrvaneEnable3dnow(0);
    OrvaneEnableAVX2(0);
    EXPECT_EQ(player::decoderSettings().path, SimdPath::Sse);
    dspEnableSse(0);
    EXPECT_EQ(player::decoderSettings().path, SimdPath::Plain);
    OrvaneEnableSSE(1);
    EXPECT_EQ(dspGetVectorPath(), 1);
}

TEST(PlayerSettings, EqBandsOutsideTheRangeAreIgnored)
{
    player::setEqGain(31, 2.5f);
    player::setEqGain(32, 9.0f);
    player::setEqGain(-1, 9.0f);
    EXPECT_EQ(player::eqGain(31), 2.5f);
    EXPECT_EQ(player::eqGain(32), 0.0f);
    player::setEqGain(31, 0.0f);
}

TEST(PlayerSettings, DecoderSettingsFollowTheSwitchesVolumeAndEqualiser)
{
    const testsig::VectorPathScope restore;
    const int32_t old = player::volume();
    player::setVolume(1000);
    OrvaneEnableAVX2(0);
    OrvaneEnableSSE(1);
    player::setEqGain(5, 0.5f);
    player::settings().eqEnable = true;
    decoder::DecoderSettings d = player::decoderSettings();
    EXPECT_EQ(d.path, player::SimdPath::Sse);
    EXPECT_EQ(d.volume, 1000.0f);
    EXPECT_TRUE(d.equalizer);
    EXPECT_EQ(d.eqGains[5], 0.5f);
    player::settings().eqEnable = false;
    player::setEqGain(5, 0.0f);
    OrvaneEnableSSE(0);
    player::setVolume(old);
    d = player::decoderSettings();
    EXPECT_EQ(d.path, player::SimdPath::Plain);
    EXPECT_FALSE(d.equalizer);
    EXPECT_EQ(player::volume(), old);
}

}  // namespace
