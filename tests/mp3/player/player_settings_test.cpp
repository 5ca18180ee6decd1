#include <gtest/gtest.h>

#include "mp3/player/player_settings.h"

namespace {

TEST(PlayerSettings, ThreeDNowWinsOverAvx2AndAvx2OverSse)
{
    player::enableSse(true);
    EXPECT_EQ(player::activePath(), player::SimdPath::Sse);
    player::enable3dnow(true);
    EXPECT_EQ(player::activePath(), player::SimdPath::ThreeDNow);  // 3DNow! wins over SSE
    player::enableAvx2(true);
    EXPECT_EQ(player::activePath(), player::SimdPath::ThreeDNow);  // and over AVX2
    player::enable3dnow(false);
    EXPECT_EQ(player::activePath(), decoder::usableVectorPath(player::SimdPath::Avx2));
    player::enableAvx2(false);
    player::enableSse(false);
    EXPECT_EQ(player::activePath(), player::SimdPath::Plain);
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
    const int32_t old = player::volume();
    player::setVolume(1000);
    player::enableSse(true);
    player::setEqGain(5, 0.5f);
    player::settings().eqEnable = true;
    decoder::DecoderSettings d = player::decoderSettings();
    EXPECT_EQ(d.path, player::SimdPath::Sse);
    EXPECT_EQ(d.volume, 1000.0f);
    EXPECT_TRUE(d.equalizer);
    EXPECT_EQ(d.eqGains[5], 0.5f);
    player::settings().eqEnable = false;
    player::setEqGain(5, 0.0f);
    player::enableSse(false);
    player::setVolume(old);
    d = player::decoderSettings();
    EXPECT_EQ(d.path, player::SimdPath::Plain);
    EXPECT_FALSE(d.equalizer);
    EXPECT_EQ(player::volume(), old);
}

}  // namespace
