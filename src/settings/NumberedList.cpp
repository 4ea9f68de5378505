#include "settings/NumberedList.h"

#include <cstdio>
#include <limits>

#include "settings/SettingsStore.h"

namespace {

// Widths and precisions beyond this make no sense in an entry name and would only let a
// bad format ask for huge buffers.
constexpr int kMaxFieldWidth = 64;

// Reads a run of digits at format[i], advancing i; false when the number is too large.
bool SkipNumber(std::string_view format, std::size_t& i)
{
    int value = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        value = value * 10 + (format[i] - '0');
        if (value > kMaxFieldWidth)
            return false;
        ++i;
    }
    return true;
}

// The format goes to snprintf with one int argument, so it must hold exactly one int
// conversion (%d or %i with plain flags, width and precision) and nothing else but "%%":
// no %s, %n, '*' or length modifiers that would read arguments that are not there.
bool IsSafeFormat(std::string_view format)
{
    int conversions = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '\0')
            return false;
        if (format[i] != '%')
            continue;
        ++i;
        if (i < format.size() && format[i] == '%')
            continue;
        while (i < format.size() &&
               (format[i] == '0' || format[i] == '-' || format[i] == '+' || format[i] == ' '))
            ++i;
        if (!SkipNumber(format, i))
            return false;
        if (i < format.size() && format[i] == '.') {
            ++i;
            if (!SkipNumber(format, i))
                return false;
        }
        if (i >= format.size() || (format[i] != 'd' && format[i] != 'i'))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

std::string Format(const std::string& format, int n)
{
    char buffer[256];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(buffer, sizeof buffer, format.c_str(), n);
    if (length < 0)
        return std::string();
    if (static_cast<std::size_t>(length) < sizeof buffer)
        return std::string(buffer, static_cast<std::size_t>(length));
    std::string large(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(large.data(), large.size(), format.c_str(), n);
#pragma GCC diagnostic pop
    large.resize(static_cast<std::size_t>(length));
    return large;
}

} // namespace

namespace NumberedList {

std::string EntryName(std::string_view format, int n)
{
    if (!IsSafeFormat(format))
        return std::string();
    return Format(std::string(format), n);
}

std::vector<std::string> Load(CSettingsStore& store, std::string_view section,
                              std::string_view format)
{
    std::vector<std::string> items;
    if (!IsSafeFormat(format))
        return items;
    for (int n = 1; n < std::numeric_limits<int>::max(); ++n) {
        std::string item = store.ReadString(section, EntryName(format, n), "");
        if (item.empty())
            break;
        items.push_back(std::move(item));
    }
    return items;
}

void Save(CSettingsStore& store, std::string_view section, std::string_view format,
          const std::vector<std::string>& items)
{
    if (!IsSafeFormat(format))
        return;
    int n = 1;
    for (const std::string& item : items)
        store.WriteString(section, EntryName(format, n++), item);
    // The empty entry ends the list for every later load and hides what a longer list left.
    store.WriteString(section, EntryName(format, n), "");
}

Pairs LoadPairs(CSettingsStore& store, std::string_view section, std::string_view keyFormat,
                std::string_view valueFormat)
{
    Pairs items;
    if (!IsSafeFormat(keyFormat) || !IsSafeFormat(valueFormat))
        return items;
    for (int n = 1; n < std::numeric_limits<int>::max(); ++n) {
        std::string key = store.ReadString(section, EntryName(keyFormat, n), "");
        if (key.empty())
            break;
        std::string value = store.ReadString(section, EntryName(valueFormat, n), "");
        items.emplace_back(std::move(key), std::move(value));
    }
    return items;
}

void SavePairs(CSettingsStore& store, std::string_view section, std::string_view keyFormat,
               std::string_view valueFormat, const Pairs& items)
{
    if (!IsSafeFormat(keyFormat) || !IsSafeFormat(valueFormat))
        return;
    int n = 1;
    for (const auto& [key, value] : items) {
        store.WriteString(section, EntryName(keyFormat, n), key);
        store.WriteString(section, EntryName(valueFormat, n), value);
        ++n;
    }
    store.WriteString(section, EntryName(keyFormat, n), "");
    store.WriteString(section, EntryName(valueFormat, n), "");
}

bool NeedsMigration(CSettingsStore& store, std::string_view section, std::string_view firstEntry)
{
    // Only a missing entry means the list was never saved: a first name that happens to be
    // "-" is an answer too, and taking it for none would import the old list at every load.
    // Two reads with different defaults tell a missing entry from a stored one.
    return store.ReadString(section, firstEntry, "-") == "-" &&
           store.ReadString(section, firstEntry, "").empty();
}

std::vector<std::string> LoadLegacy(CSettingsStore& store, std::string_view globalSection,
                                    std::string_view format)
{
    // The old lists follow the same rule (from 1, up to the first empty entry); only their
    // counter has no leading zeros, which the format itself says.
    return Load(store, globalSection, format);
}

} // namespace NumberedList
