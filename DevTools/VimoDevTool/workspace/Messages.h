#pragma once

// The texts that the window shows in its message boxes; the command line prints the same ones.
namespace vimo::messages {

inline constexpr const char* kInitFailed = "Failed to initialize Vimo Dev Tool. Exiting...";
inline constexpr const char* kSaveFailed = "Failed to save Vimo changes.";
inline constexpr const char* kUnsupportedFiles =
    "The following files are not supported (%s). The Zip was created exluding the listed files.";
inline constexpr const char* kPackageFailed = "Failed to create Vimo package for upload.";
inline constexpr const char* kLaunchFailed = "Failed to lanch Orvo.";
inline constexpr const char* kSecondLaunchFailed = "Failed to launch 2nd Orvo.";
inline constexpr const char* kNameEmpty = "Vimo name should not be empty.";
inline constexpr const char* kWidthOutOfRange = "Vimo window width exceeds out of range:1-1024";
inline constexpr const char* kHeightOutOfRange = "Vimo window height exceeds out of range:1-768";
inline constexpr const char* kArchiveTooBig = "Archive is too big. It should be less than 5MB.";
inline constexpr const char* kNotInstalled = "In order to be able to use the Open Vimoz Developer "
                                             "tool you first need to install Orvo 6.5 and above.";

} // namespace vimo::messages
