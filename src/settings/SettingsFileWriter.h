#pragma once
// Writes the whole settings tree to a ".brx" export file: the header "Brumble3", then for
// every section its key record ("\" + section name) and one record per value, in the
// store's enumeration order, and last the key record of the program's key itself (path
// length 0) with its own values. The section named "" holds the program key's own values.
// All counts are unsigned 32-bit little-endian.

#include <string>

class CSettingsStore;

class CSettingsFileWriter final {
public:
    enum class Result { Written, OpenFailed, WriteFailed };

    // The file's bytes for the tree as it is now.
    static std::string Serialize(CSettingsStore& store);
    // Writes through a temporary file renamed over the target only when everything was
    // written, so a failed export leaves an earlier file of that name untouched.
    static Result WriteFile(CSettingsStore& store, const std::string& path);
};
