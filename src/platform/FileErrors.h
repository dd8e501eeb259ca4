#pragma once

namespace tolmix {

// Why a file operation failed, in the numbering of the program's first platform, so that the
// texts shown for them stay the same everywhere. 0 is success.
namespace FileErrors {
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int TooManyOpenFiles = 4;
inline constexpr int AccessDenied = 5;
inline constexpr int WriteProtected = 19;
inline constexpr int GeneralFailure = 31;
inline constexpr int SharingViolation = 32;
// The runtime's own number for a write that did not fit on the disk.
inline constexpr int DiskFull = 101;
inline constexpr int NameTooLong = 206;
inline constexpr int FileTooLarge = 223;
inline constexpr int DeviceError = 1117;
} // namespace FileErrors

} // namespace tolmix
