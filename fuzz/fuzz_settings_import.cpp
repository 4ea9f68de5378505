// Feeds arbitrary files to the reader of settings export files. It must never read outside
// the file nor allocate more than the file could hold, whatever its length fields say; a file
// it accepts gives no more text than it contains, and stays refused once a few stray bytes
// (a record type cut short) are appended.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<CSettingsStore::Section> tree;
    if (!CSettingsFileReader::Parse(bytes, tree)) {
        if (!tree.empty())
            std::abort(); // a refused file hands nothing on
        return 0;
    }
    std::size_t carried = 0;
    for (const CSettingsStore::Section& section : tree) {
        carried += section.name.size();
        for (const CSettingsStore::Value& value : section.values)
            carried += value.name.size() + (value.isNumber ? 4 : value.text.size());
    }
    if (carried > size)
        std::abort();
    for (std::size_t extra = 1; extra < 4; ++extra) {
        std::string longer(bytes);
        longer.append(extra, '\0');
        if (CSettingsFileReader::Parse(longer, tree))
            std::abort();
    }
    return 0;
}
