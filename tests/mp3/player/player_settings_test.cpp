#include <gtest/gtest.h>

#include "mp3/decoder/synthesis_window_table.h"
#include "mp3/player/player_settings.h"

namespace {

TEST(PlayerSettings, SwitchesClearTheTablesFlagOnlyWhenTheyChange) {
    player::PlayerSettings& s = player::settings();
    s.decoderTablesReady = true;
    player::enableSse(player::sseOn());
    player::enable3dnow(player::threeDNowOn());
    EXPECT_TRUE(s.decoderTablesReady);
    player::enableSse(true);
    EXPECT_FALSE(s.decoderTablesReady);
    EXPECT_EQ(player::activePath(), player::SimdPath::Sse);
    player::enable3dnow(true);
    EXPECT_EQ(player::activePath(), player::SimdPath::ThreeDNow);  // 3DNow! wins over SSE
    player::enable3dnow(false);
    player::enableSse(false);
    EXPECT_EQ(player::activePath(), player::SimdPath::Plain);
}

TEST(PlayerSettings, EqBandsOutsideTheRangeAreIgnored) {
    player::setEqGain(31, 2.5f);
    player::setEqGain(32, 9.0f);
    player::setEqGain(-1, 9.0f);
    EXPECT_EQ(player::eqGain(31), 2.5f);
    EXPECT_EQ(player::eqGain(32), 0.0f);
    player::setEqGain(31, 0.0f);
}

TEST(PlayerSettings, VolumeWindowFoldsTheVolumeIntoBothLayouts) {
    const int32_t old = player::volume();
    player::setVolume(1000);
    const player::VolumeWindow& w = player::volumeWindow();
    for (int i = 0; i < 32; ++i)
        for (int n = 0; n < 16; ++n) {
            ASSERT_EQ(w.natural[i * 16 + n], 1000.0f * decoder::synthesisWindow(n * 32 + i));
            ASSERT_EQ(w.rotating[i * 32 + 15 - n], w.natural[i * 16 + n]);
            ASSERT_EQ(w.rotating[i * 32 + 31 - n], w.natural[i * 16 + n]);
        }
    player::setVolume(old);
    EXPECT_EQ(player::volume(), old);
}

}  // namespace
