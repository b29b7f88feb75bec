#pragma once
// Resources compiled into the program by its own code rather than by the resource compiler.
// The posix build has no resource section, so the code that owns a resource registers its
// bytes here and System::ProgramResource finds them; the win32 build looks here when the
// module itself has no such resource.
//
// Register from a function the program (or test) calls before the first lookup: a static
// registrar object inside a static library is dropped by the linker unless its file is
// referenced from elsewhere.

#include <optional>
#include <string>

namespace platform {

// Adds or replaces the resource of that name and type (both compared without regard to case).
void RegisterEmbeddedResource(const std::string& name, const std::string& type, const std::string& bytes);

// The bytes of a registered resource; nullopt when none has that name and type.
std::optional<std::string> FindEmbeddedResource(const std::string& name, const std::string& type);

}  // namespace platform
