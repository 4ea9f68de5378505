#pragma once
// String-table ids of the script editor: the words of the display form, tool tips keyed by
// the identifier of the control they describe, and the editor's messages.

namespace ScriptResources {

// The names of the events and commands in the display form, in the order of the dialogs'
// drop-down lists.
inline constexpr int kOnConnect = 8400;
inline constexpr int kOnReceive = 8401;
inline constexpr int kOnTimer = 8402;
inline constexpr int kBeep = 8403;
inline constexpr int kColour = 8404;
inline constexpr int kSend = 8405;
inline constexpr int kSetTimer = 8406;
inline constexpr int kKillTimer = 8407;
inline constexpr int kLine = 8408;
inline constexpr int kRead = 8409;
inline constexpr int kSave = 8410;

// "Are you certain that you want to remove the following Script?\nIF "
inline constexpr int kMsgRemoveScript = 8411;
// "The condition is invalid (onReceive must have some text specified for it)."
inline constexpr int kMsgInvalidCondition = 8412;
// The help text that scrolls in the Add Script dialog.
inline constexpr int kScriptHelpText = 8413;

// Controls of the Scripting dialog.
inline constexpr int kScriptList = 1400;
inline constexpr int kInsertBefore = 1401;
inline constexpr int kInsertAfter = 1402;
inline constexpr int kModifyScript = 1403;
inline constexpr int kDeleteScript = 1404;
inline constexpr int kMoveUp = 1405;
inline constexpr int kMoveDown = 1406;
// Controls of the Add Script dialog.
inline constexpr int kConditionChoice = 1410;
inline constexpr int kConditionTimer = 1411;
inline constexpr int kConditionPattern = 1412;
inline constexpr int kCommandList = 1413;
inline constexpr int kAddCommand = 1414;
inline constexpr int kModifyCommand = 1415;
inline constexpr int kDeleteCommand = 1416;
inline constexpr int kHelpTicker = 1417;
// Controls of the Add Script Command dialog.
inline constexpr int kCommandChoice = 1420;
inline constexpr int kSoundField = 1421;
inline constexpr int kBrowseFile = 1422;
inline constexpr int kCommandTimer = 1423;
inline constexpr int kFileField = 1424;
inline constexpr int kColourField = 1425;
inline constexpr int kColourChooser = 1426;
inline constexpr int kSendField = 1427;
inline constexpr int kDelayField = 1428;

// The standard field messages.
inline constexpr int kMsgIntegerRange = 61715;      // "Please enter an integer between %1 and %2."
inline constexpr int kMsgTooManyCharacters = 61716; // "Please enter no more than %1 characters."
inline constexpr int kMsgPositiveInteger = 61717;   // "Please enter a positive integer."

} // namespace ScriptResources
