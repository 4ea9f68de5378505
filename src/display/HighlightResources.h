#pragma once
// String-table ids used by the highlights and their dialogs: the tool tips are keyed by the
// identifier of the control they describe, the messages by ids of their own.

namespace HighlightResources {

// Controls of the Add / Modify Text to be Highlighted dialog.
inline constexpr int kStartsWithButton = 1080;
inline constexpr int kContainsButton = 1081;
inline constexpr int kTextField = 1082;
// Controls of the Coloured Text Highlights dialog.
inline constexpr int kListArea = 1086;
inline constexpr int kVerticalScrollBar = 1087;
inline constexpr int kHorizontalScrollBar = 1088;

// Messages.
inline constexpr int kMsgEmptyText = 8230;
// "%s" stands for the text of the entry to delete.
inline constexpr int kMsgDeleteQuestion = 8231;

} // namespace HighlightResources
