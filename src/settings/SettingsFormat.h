#pragma once
// The constants of the ".brx" settings export file, shared by its writer and its reader.

#include <cstdint>
#include <string_view>

namespace SettingsFormat {

inline constexpr std::string_view kHeader = "Brumble3";
inline constexpr std::uint32_t kKeyRecord = 0;
inline constexpr std::uint32_t kStringRecord = 1;
inline constexpr std::uint32_t kNumberRecord = 4;

} // namespace SettingsFormat
