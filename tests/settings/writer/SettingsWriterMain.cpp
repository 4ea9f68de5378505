// A helper program, not a test: SettingsStore.TwoProcessesWritingAtOnceLoseNothing starts it
// twice beside its own writes. Kept out of the test binary so that no test list shows a
// stand-in that only runs as somebody's child.
//
// Usage: settings_writer <settings file> <writer name>; exits 0 when every write was made.

#include <cstdio>
#include <string>

#include "ConcurrentWrites.h"
#include "common/TestSupport.h"
#include "settings/SettingsStore.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <settings file> <writer name>\n", argv[0]);
        return 2;
    }
    brumble::test::CRecordingMessageSink messages;
    CSettingsStore store(argv[1], &messages);
    // A store that fell back to memory or read-only would take the writes without complaint
    // and lose them, so any message is a failure here.
    if (!store.IsOpen() || !messages.shown.empty()) {
        for (const auto& shown : messages.shown)
            std::fprintf(stderr, "%s\n", shown.text.c_str());
        return 1;
    }
    brumble::test::WriteManyValues(store, argv[2]);
    return 0;
}
