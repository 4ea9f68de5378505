#pragma once
// String-table ids used by the alias store and its dialogs: the tool tips are keyed by the
// identifier of the control they describe, the messages by ids of their own.

namespace AliasResources {

// Controls of the Aliases dialog.
inline constexpr int kAliasList = 1030;
inline constexpr int kAliasCharChoice = 1031;
inline constexpr int kAddButton = 1032;
inline constexpr int kModifyButton = 1033;
inline constexpr int kDeleteButton = 1034;
// Controls of the Add Alias / Modify Alias dialog.
inline constexpr int kNameField = 1037;
inline constexpr int kActionField = 1038;

// Messages of the Add Alias dialog when it refuses OK.
inline constexpr int kMsgNameOrActionEmpty = 8200;

} // namespace AliasResources
