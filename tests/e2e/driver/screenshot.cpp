#include "driver/screenshot.h"

#include <windows.h>

#include <algorithm>
#include <fstream>

namespace e2e {
namespace {

// Owns a GDI object for the length of a capture.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() {
        if (object_) DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ Get() const { return object_; }

private:
    HGDIOBJ object_;
};

bool WriteBmp(const std::string& path, const BITMAPINFOHEADER& header, const void* pixels, size_t pixel_bytes) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixel_bytes);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(static_cast<const char*>(pixels), static_cast<std::streamsize>(pixel_bytes));
    return static_cast<bool>(out);
}

}  // namespace

bool CaptureRect(const Rect& requested, const std::string& path) {
    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    Rect area{std::max(requested.left, 0), std::max(requested.top, 0), std::min(requested.right, screen_width),
              std::min(requested.bottom, screen_height)};
    if (area.Width() <= 0 || area.Height() <= 0) return false;

    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(header);
    header.biWidth = area.Width();
    header.biHeight = area.Height();  // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const size_t row_bytes = (static_cast<size_t>(area.Width()) * 3 + 3) & ~size_t{3};
    const size_t pixel_bytes = row_bytes * static_cast<size_t>(area.Height());
    header.biSizeImage = static_cast<DWORD>(pixel_bytes);

    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC memory = CreateCompatibleDC(screen);
    void* pixels = nullptr;
    GdiObject bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    bool captured = false;
    if (memory && bitmap.Get() && pixels) {
        HGDIOBJ previous = SelectObject(memory, bitmap.Get());
        captured = BitBlt(memory, 0, 0, area.Width(), area.Height(), screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return captured && WriteBmp(path, header, pixels, pixel_bytes);
}

bool CaptureScreen(const std::string& path) {
    return CaptureRect(Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, path);
}

bool CaptureWindow(const Window& window, const std::string& path) {
    if (!window.Exists()) return false;
    return CaptureRect(window.ScreenRect(), path);
}

}  // namespace e2e
