#include "platform/program_entry.h"

namespace platform {

// The host's loader has no search path to restrict for us.
void RestrictDllSearchPath() {}

}  // namespace platform
