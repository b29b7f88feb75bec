#pragma once
// <windows.h> for the win32 backend, without the macros that would rename the file system's
// methods (CreateDirectory becomes CreateDirectoryA otherwise, in some files and not others).
// The backend calls the ANSI functions by their full names.

#include <windows.h>

#include <objbase.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef GetDriveType
#undef MoveFile
#undef OemToAnsi
#undef RemoveDirectory
#undef ReplaceFile
