#pragma once
// String-table ids of the function-key and keypad dialogs: tool tips are keyed by the
// identifier of the control they describe, messages by ids of their own.

namespace ShortcutResources {

// Controls of the Shortcut Function Keys dialog.
inline constexpr int kShortcutList = 1060;
inline constexpr int kAddButton = 1061;
inline constexpr int kModifyButton = 1062;
inline constexpr int kDeleteButton = 1063;
// Controls of the Add Shortcut Key / Modify Shortcut dialog.
inline constexpr int kKeyNumberField = 1064;
inline constexpr int kNormalChoice = 1065;
inline constexpr int kShiftChoice = 1066;
inline constexpr int kControlChoice = 1067;
inline constexpr int kAltChoice = 1068;
inline constexpr int kTextField = 1069;

// Controls of the Shortcut Keypad Keys dialog: one button per key, by store index, then the
// edit field.
inline constexpr int kFirstKeypadButton = 1200;
inline constexpr int kKeypadTextField = 1215;

// Questions of the Shortcut Function Keys dialog.
inline constexpr int kMsgOverwriteShortcut = 8210;
inline constexpr int kMsgRemoveShortcut = 8211;

} // namespace ShortcutResources
