#pragma once
// The program-wide objects that features need, handed to them instead of reached as
// globals: one instance of each in the running program, fresh ones in every test.

class CSettingsStore;
class CMessageSink;
class CSoundPlayer;
class CRandomGenerator;
class CAppState;

struct CAppServices {
    CSettingsStore& settings;
    CMessageSink& messages;
    CSoundPlayer& sound;
    CRandomGenerator& random;
    CAppState& app;
};
