#pragma once
// The user-facing services for benchmarks: messages answered with OK and sounds not played,
// so that nothing waits on a person or a sound device while a figure is measured.

#include <string>

#include "alerts/SoundPlayer.h"
#include "base/MessageSink.h"

class CSilentMessages final : public CMessageSink {
public:
    Answer ShowMessage(const std::string&, Icon, Buttons) override { return Answer::Ok; }
};

class CSilentSound final : public CSoundPlayer {
public:
    void PlaySystemSound(const std::string&) override {}
    void PlayFile(const std::string&) override {}
    void PlayEmbedded() override {}
    void PlayAboutSound() override {}
};
