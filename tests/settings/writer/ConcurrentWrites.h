#pragma once
// The share of writes each party of the two-process settings test makes: the test itself
// and two copies of the settings-writer helper program, all on one file at the same time.

#include <string>

class CSettingsStore;

namespace brumble::test {

constexpr int kWritesPerWriter = 600;

// Writes kWritesPerWriter strings into the common section "Shared" and as many numbers into
// the writer's own section, and reads sections that every writer creates at the same moment.
void WriteManyValues(CSettingsStore& store, const std::string& writer);

} // namespace brumble::test
