#pragma once
// String-table ids of the @image settings and the picture window: the tool tips are keyed by
// the identifier of the control they describe, the messages and captions by ids of their own.

namespace ImageResources {

// Controls of the "@image display" dialog.
inline constexpr int kEnableBox = 1301;
inline constexpr int kPopupChoice = 1302;
inline constexpr int kBrowserChoice = 1303;
inline constexpr int kImageTriggerField = 1304;
inline constexpr int kUrlPrefixField = 1305;
inline constexpr int kAskBox = 1306;

// Messages and captions.
inline constexpr int kMsgAskViewUrl = 8301; // followed directly by the URL
inline constexpr int kMsgNoBrowser = 8302;
inline constexpr int kMsgInvalidGif = 8303;
inline constexpr int kJpegErrorTitle = 8304;
inline constexpr int kCaptionLoading = 8305;
inline constexpr int kCaptionFetchFailed = 8306; // %1 the URL, %2 the reason
inline constexpr int kMsgJpegTooLarge = 8307;    // %1 width, %2 height
inline constexpr int kMsgJpegColours = 8308;

} // namespace ImageResources
