#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "mp3/player/playback.h"
#include "orvane/mp3.h"
#include "orvane/norv.h"
#include "support/signal.h"

// A device that takes no byte: the conversion ends at once and says why.
TEST(Player, ConvertingIntoAFullDeviceEndsThePlayWithTheReason)
{
    const std::string path = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    ASSERT_EQ(NORVSetOutputFile("/dev/full"), 1);
    EXPECT_EQ(OrvanePlay(path.c_str(), nullptr, 0, 1), 0);
    EXPECT_EQ(NORVLastError(), ENOSPC);
    EXPECT_EQ(NORVClose(), 0u);  // not even the header could be written, so no file was open
    EXPECT_FALSE(playState().playback());
}
