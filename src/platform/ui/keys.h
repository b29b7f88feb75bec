#pragma once
// Key codes and shift states that forms see in their key handlers. The codes are the
// Windows virtual-key codes, so the win32 backend passes them through unchanged.

#include <cstdint>

namespace platform::ui {

using KeyCode = uint16_t;

namespace keys {
constexpr KeyCode kBack = 0x08;
constexpr KeyCode kTab = 0x09;
constexpr KeyCode kReturn = 0x0D;
constexpr KeyCode kEscape = 0x1B;
constexpr KeyCode kSpace = 0x20;
constexpr KeyCode kLeft = 0x25;
constexpr KeyCode kUp = 0x26;
constexpr KeyCode kRight = 0x27;
constexpr KeyCode kDown = 0x28;
constexpr KeyCode kDelete = 0x2E;
constexpr KeyCode kF1 = 0x70;
constexpr KeyCode kF4 = 0x73;
}  // namespace keys

// Characters that OnKeyPress sees for the keys that produce one.
namespace chars {
constexpr char kEnter = '\r';
constexpr char kEscape = '\x1b';
constexpr char kBackspace = '\b';
}  // namespace chars

// Modifier keys held with a key, as bits.
struct ShiftState {
    bool shift = false;
    bool alt = false;
    bool control = false;
    friend bool operator==(const ShiftState&, const ShiftState&) = default;
};

}  // namespace platform::ui
