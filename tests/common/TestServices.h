#pragma once
// The program-wide services for one test: a settings file in a private folder, recording
// message and sound doubles, the generator and the application state. Fixtures derive
// from it (with ::testing::Test) to get them as members.

#include "common/TestSupport.h"
#include "base/RandomGenerator.h"
#include "base/AppServices.h"
#include "base/AppState.h"
#include "settings/SettingsStore.h"

namespace brumble::test {

struct CTestServices {
    ScopedTempDir dir;
    CSettingsStore settings{dir.File("settings.db")};
    CRecordingMessageSink messages;
    CRecordingSoundPlayer sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{settings, messages, sound, random, app};
};

} // namespace brumble::test
