#pragma once

#include <string>
#include <string_view>

namespace vimo {

// Identifiers of the application's strings (res/strings.inc): the window's title and the texts
// of its messages, which vimoctl prints as well.
namespace res {

inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDS_INIT_FAILED = 104;
inline constexpr int IDS_SAVE_CHANGES = 105;
inline constexpr int IDS_SAVE_FAILED = 106;
inline constexpr int IDS_UNSUPPORTED_FILES = 107;
inline constexpr int IDS_PACKAGE_FAILED = 109;
inline constexpr int IDS_COPY_PATH_FAILED = 110;
inline constexpr int IDS_LAUNCH_FAILED = 111;
inline constexpr int IDS_LAUNCH_SECOND_FAILED = 112;
inline constexpr int IDS_NAME_EMPTY = 113;
inline constexpr int IDS_WIDTH_RANGE = 114;
inline constexpr int IDS_HEIGHT_RANGE = 115;
inline constexpr int IDS_ARCHIVE_TOO_BIG = 116;
inline constexpr int IDS_CLIENT_MISSING = 117;
inline constexpr int AFX_IDS_APP_TITLE = 57344;

} // namespace res

// The text of string `id` of the application's string table; empty when there is none.
std::u16string stringText(int id);

// The message naming the files left out of an upload package (`files`, as the builder lists them).
std::u16string unsupportedFilesText(std::u16string_view files);

} // namespace vimo
