#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "alerts/AboutWave.h"
#include "alerts/CanberraSoundPlayer.h"
#include "alerts/EmbeddedWave.h"
#include "common/TestSupport.h"

namespace {

namespace fs = std::filesystem;

TEST(CanberraSoundPlayer, SystemNamesMapToThemeEventsElseTheBell)
{
    EXPECT_STREQ(CCanberraSoundPlayer::EventIdFor("SystemAsterisk"), "dialog-information");
    EXPECT_STREQ(CCanberraSoundPlayer::EventIdFor("SystemExclamation"), "dialog-warning");
    EXPECT_STREQ(CCanberraSoundPlayer::EventIdFor("systemhand"), "dialog-error");
    EXPECT_STREQ(CCanberraSoundPlayer::EventIdFor("SystemQuestion"), "dialog-question");
    EXPECT_STREQ(CCanberraSoundPlayer::EventIdFor("SystemStart"), "service-login");
    EXPECT_STREQ(CCanberraSoundPlayer::EventIdFor("SystemExit"), "service-logout");
    for (const char* other : {"", "SystemDefault", "MailBeep", "SystemHandX", "dialog-error"})
        EXPECT_STREQ(CCanberraSoundPlayer::EventIdFor(other), "bell") << other;
}

// There may be no sound device at all: every call must still come back and do no harm.
TEST(CanberraSoundPlayer, PlaysEverythingWithoutFailingOrBlocking)
{
    brumble::test::ScopedTempDir dir;
    const std::string wave = dir.File("chirp.wav");
    std::ofstream(wave, std::ios::binary) << EmbeddedWave::Bytes();
    std::ofstream(dir.File("noise.wav"), std::ios::binary) << "RIFF not really";
    std::string written, about;
    {
        CCanberraSoundPlayer player;
        EXPECT_TRUE(player.EmbeddedWaveFile().empty()); // nothing written until needed
        for (int round = 0; round < 20; ++round) {      // each new sound cancels the last
            player.PlaySystemSound("SystemQuestion");
            player.PlaySystemSound("no such sound");
            player.Beep();
            for (const std::string& file :
                 {wave, dir.File("noise.wav"), dir.File("missing.wav"), dir.Path(), std::string()})
                player.PlayFile(file);
            player.PlayEmbedded();
            player.PlayAboutSound();
        }
        // The embedded wave's private copy: its bytes, for the owner only, gone with the player.
        written = player.EmbeddedWaveFile();
        ASSERT_FALSE(written.empty());
        std::ifstream in(written, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), EmbeddedWave::Bytes());
        EXPECT_EQ(fs::status(written).permissions() &
                      (fs::perms::group_all | fs::perms::others_all),
                  fs::perms::none);
        about = player.AboutWaveFile();
        ASSERT_FALSE(about.empty());
        std::ifstream aboutIn(about, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(aboutIn), {}), AboutWave::Bytes());
    }
    EXPECT_FALSE(fs::exists(written));
    EXPECT_FALSE(fs::exists(about));
}

} // namespace
