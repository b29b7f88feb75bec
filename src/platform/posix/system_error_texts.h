#pragma once
// The texts Windows gives for the failures the posix backend imitates, one table for every
// part of the backend that reports them.

namespace platform::posix {

inline constexpr const char* kNotFound = "The system cannot find the file specified.";
inline constexpr const char* kPathNotFound = "The system cannot find the path specified.";
inline constexpr const char* kAccessDenied = "Access is denied.";
inline constexpr const char* kSharingViolation =
    "The process cannot access the file because it is being used by another process.";
inline constexpr const char* kAlreadyExists = "Cannot create a file when that file already exists.";
inline constexpr const char* kInvalidName = "The filename, directory name, or volume label syntax is incorrect.";
inline constexpr const char* kNotEmpty = "The directory is not empty.";

}  // namespace platform::posix
