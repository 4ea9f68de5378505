#pragma once
// String-table ids used by the trigger and timed-text dialogs: the tool tips are keyed by
// the identifier of the control they describe, the messages by ids of their own.

namespace AlertResources {

// Controls of the Triggers dialog; the three warning choices carry the ids stored as
// "Warning".
inline constexpr int kAudibleChoice = 1004;
inline constexpr int kVisualChoice = 1005;
inline constexpr int kBothChoice = 1006;
inline constexpr int kTriggerList = 1040;
inline constexpr int kTriggerField = 1041;
inline constexpr int kAddTrigger = 1042;
inline constexpr int kDeleteTrigger = 1043;
inline constexpr int kSoundList = 1044;
inline constexpr int kBrowseSound = 1045;
inline constexpr int kAdvert = 1046;
inline constexpr int kCloseTriggers = 1047;
// Controls of the Timed Text dialog.
inline constexpr int kTextList = 1050;
inline constexpr int kTextField = 1051;
inline constexpr int kAddText = 1052;
inline constexpr int kRemoveText = 1053;
inline constexpr int kIntervalField = 1054;

// "Please enter an integer between %1 and %2."
inline constexpr int kMsgIntegerRange = 61715;

} // namespace AlertResources
