#include "driver/display_scale.h"

#include <windows.h>

#include <cstring>

namespace e2e {
namespace {

constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kGetDpiScaledSize = 0x02E4;

// A page at the same address in the driver and in the program, for a message whose lparam
// points at a structure: whether Wine copies the structure across or passes the pointer as
// it is, the program reads what the driver wrote.
class SharedPage {
public:
    explicit SharedPage(const Window& window) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(static_cast<HWND>(window.Handle()), &process_id);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
        if (!process_) return;
        remote_ = VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (remote_) local_ = VirtualAlloc(remote_, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~SharedPage() {
        if (local_) VirtualFree(local_, 0, MEM_RELEASE);
        if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    SharedPage(const SharedPage&) = delete;
    SharedPage& operator=(const SharedPage&) = delete;

    bool Ready() const { return remote_ != nullptr && local_ == remote_; }
    LPARAM Address() const { return reinterpret_cast<LPARAM>(remote_); }
    void Write(const void* data, size_t size) {
        std::memcpy(local_, data, size);
        WriteProcessMemory(process_, remote_, data, size, nullptr);
    }
    // What the program left there (its copy, else the driver's when Wine copied it back).
    void Read(void* data, size_t size) const {
        SIZE_T read = 0;
        if (!ReadProcessMemory(process_, remote_, data, size, &read) || read != size) std::memcpy(data, local_, size);
    }

private:
    static constexpr size_t kSize = 4096;
    HANDLE process_ = nullptr;
    void* remote_ = nullptr;
    void* local_ = nullptr;
};

}  // namespace

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::optional<Rect> DpiScaledSize(const Window& form, int dpi) {
    SharedPage page(form);
    if (!page.Ready()) return std::nullopt;
    const SIZE none{0, 0};
    page.Write(&none, sizeof none);
    DWORD_PTR answered = 0;
    if (!SendMessageTimeoutA(static_cast<HWND>(form.Handle()), kGetDpiScaledSize, static_cast<WPARAM>(dpi),
                             page.Address(), SMTO_ABORTIFHUNG, 5000, &answered) ||
        answered == 0) {
        return std::nullopt;
    }
    SIZE size{};
    page.Read(&size, sizeof size);
    return Rect{0, 0, size.cx, size.cy};
}

bool SendDpiChanged(const Window& form, int dpi, const Rect& suggested) {
    SharedPage page(form);
    if (!page.Ready()) return false;
    const RECT rect{suggested.left, suggested.top, suggested.right, suggested.bottom};
    page.Write(&rect, sizeof rect);
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(static_cast<HWND>(form.Handle()), kDpiChanged, MAKEWPARAM(dpi, dpi), page.Address(),
                               SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

}  // namespace e2e
