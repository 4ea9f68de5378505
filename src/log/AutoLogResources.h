#pragma once
// String-table ids used by the Auto-Log Text dialog: the tool tips are keyed by the
// identifier of the control they describe, the message by the id it has among the
// program's standard field-check messages.

namespace AutoLogResources {

// Controls of the Auto-Log Text dialog.
inline constexpr int kEnabledBox = 1140;
inline constexpr int kCommandsBox = 1141;
inline constexpr int kDirectoryField = 1142;
inline constexpr int kBrowseButton = 1143;
inline constexpr int kPerDayChoice = 1144;
inline constexpr int kPerWeekChoice = 1145;
inline constexpr int kPerConnectionChoice = 1146;

// "Please enter no more than %1 characters."
inline constexpr int kMsgTooManyCharacters = 61716;

} // namespace AutoLogResources
