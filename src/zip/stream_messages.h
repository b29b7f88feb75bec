#pragma once
// The bytes of the "S_Stream" message table. The win32 build compiles the same bytes
// (src/resources/stream_messages.bin) into the program as a custom resource; the native build
// registers this copy with the platform's embedded resources. A test checks that both agree.

#include <string_view>

namespace zip {

// The table's bytes, as compiled into the program.
std::string_view StreamMessagesTable();

// Makes the table reachable through the platform's program resources where the program
// has no resource section of its own (once; later calls do nothing).
void EnsureStreamMessagesAvailable();

}  // namespace zip
