#pragma once
// Where an entry's stored directory may place its file. A stored name is only a suggestion:
// names that climb out of the destination, name a device, or name another drive or a network
// share are refused, so that nothing an archive holds can be written outside the destination.

#include <string>

namespace zip {

// True for a name component that Windows would take as a device (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9 and COM/LPT with a superscript 1, 2 or 3, with or without an extension,
// trailing blanks and dots ignored).
bool IsDeviceName(const std::string& component);

// True when every component of a relative path (split at backslashes) is an ordinary name:
// no "..", no component made only of dots and blanks (except "."), no device name, no NUL
// byte and no colon (which would name a drive or an alternate stream).
bool IsSafeRelativePath(const std::string& path);

// True when an entry's file name (the part after its last backslash) names a file that may
// be created: a safe relative path that is not "." (the directory itself).
bool IsSafeFileName(const std::string& file_name);

// How the component places an entry's directory under dest_dir. directory is the stored
// directory after the root directory was removed (empty, or ending in a backslash). The
// result ends with a backslash. An absolute stored directory ("\data\" or "C:\data\") is
// placed under dest_dir; false when the directory is unsafe, names a network share, or is
// absolute while dest_dir is empty (it would land wherever the archive says).
bool ComposeEntryDirectory(const std::string& dest_dir, const std::string& directory, std::string& result);

}  // namespace zip
