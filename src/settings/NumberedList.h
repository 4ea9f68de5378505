#pragma once
// The conventions every list-shaped setting follows: entries named from a format with one
// counter ("Trigger %02d" gives "Trigger 01", ..., "Trigger 100"), read from 1 until the
// first empty or missing entry, saved as 1..n followed by an empty entry n+1 that hides
// anything left over from a longer earlier list.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CSettingsStore;

namespace NumberedList {

// The entry name for counter n: format holds one printf integer conversion (%02d or %d).
// Any other format (none or several conversions, %s, '*', ...) gives the empty string, and
// the list operations below then read nothing and write nothing.
std::string EntryName(std::string_view format, int n);

std::vector<std::string> Load(CSettingsStore& store, std::string_view section,
                              std::string_view format);
void Save(CSettingsStore& store, std::string_view section, std::string_view format,
          const std::vector<std::string>& items);

// Paired lists ("Alias %02d" with "Alias Action %02d"): loading stops at the first empty
// key; pairs with an empty value are returned too (features decide whether to keep them).
using Pairs = std::vector<std::pair<std::string, std::string>>;
Pairs LoadPairs(CSettingsStore& store, std::string_view section, std::string_view keyFormat,
                std::string_view valueFormat);
void SavePairs(CSettingsStore& store, std::string_view section, std::string_view keyFormat,
               std::string_view valueFormat, const Pairs& items);

// Legacy migration: a host section that has never held the list (its first entry is missing)
// takes the old global list.
bool NeedsMigration(CSettingsStore& store, std::string_view section, std::string_view firstEntry);
// The old global lists: counter without leading zeros (format "Text %d"), from 1, stopping
// at the first empty entry.
std::vector<std::string> LoadLegacy(CSettingsStore& store, std::string_view globalSection,
                                    std::string_view format);

} // namespace NumberedList
