#include "ConcurrentWrites.h"

#include "settings/SettingsStore.h"

namespace brumble::test {

void WriteManyValues(CSettingsStore& store, const std::string& writer)
{
    for (int i = 0; i < kWritesPerWriter; ++i) {
        const std::string n = std::to_string(i);
        store.WriteString("Shared", writer + " " + n, writer + " value " + n);
        store.WriteInt(writer, "Number " + n, i);
        store.ReadInt("Fresh " + n, "x", 0); // all create the same sections at once
    }
}

} // namespace brumble::test
