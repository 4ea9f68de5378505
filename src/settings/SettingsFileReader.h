#pragma once
// Reads a ".brx" settings export file (see CSettingsFileWriter) into a whole settings tree,
// checking every record before anything is handed on: a file that is cut short anywhere,
// has a length field larger than what remains, a record of an unknown type, a value before
// any key, or a number whose data is not 4 bytes long is refused as a whole. A key path is
// the section name below the program's key without its first backslash (a deeper path
// becomes a section of that whole name); the empty path is the program's key itself, whose
// values go to the section named "".

#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsStore.h"

class CSettingsFileReader final {
public:
    enum class Result { Read, OpenFailed, Invalid };

    static bool Parse(std::string_view bytes, std::vector<CSettingsStore::Section>& tree);
    static Result ReadFile(const std::string& path, std::vector<CSettingsStore::Section>& tree);
};
