#include "driver/screenshot.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

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

// The screen as the system's GDI copies it. Under Wine this copy misses what Wine paints
// itself, the frames of a virtual desktop's windows among them.
bool CopyScreenWithGdi(const Rect& area, const std::string& path) {
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

// The host's name of a Windows path, when the driver runs under Wine; empty elsewhere.
std::string HostPath(const std::string& windows_path) {
    using ToHost = char*(CDECL*)(const wchar_t*);
    const auto to_host = reinterpret_cast<ToHost>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!to_host) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide.data(), length);
    char* host = to_host(wide.c_str());
    if (!host) return {};
    std::string result(host);
    HeapFree(GetProcessHeap(), 0, host);
    return result;
}

// The X screen that Wine draws on, copied by ImageMagick's import, which Wine starts as a
// host program. Wine's screen coordinates are those of the X screen (the virtual desktop lies
// at its origin). Wine gives no handle to wait on for a host program, so the picture is
// written under a temporary name and renamed once complete (or a marker is left when import
// failed), and the driver waits for either name.
bool CopyXScreen(const Rect& area, const std::string& path) {
    constexpr const char* kImport = "/usr/bin/import";
    static bool unavailable = false;
    const std::string host_path = HostPath(path);
    if (unavailable || host_path.empty() ||
        GetFileAttributesA((std::string("Z:") + kImport).c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const std::string failed = path + ".failed";
    DeleteFileA(path.c_str());
    DeleteFileA(failed.c_str());
    const std::string partial = "'" + host_path + ".part'";
    const std::string command = "/bin/sh -c \"" + std::string(kImport) + " -silent -window root -crop " +
                                std::to_string(area.Width()) + "x" + std::to_string(area.Height()) + "+" +
                                std::to_string(area.left) + "+" + std::to_string(area.top) +
                                " +repage -type TrueColor BMP3:" + partial + " && mv -f " + partial + " '" +
                                host_path + "' || touch '" + host_path + ".failed'\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string command_line = command;
    if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        unavailable = true;
        return false;
    }
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    auto exists = [](const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; };
    WaitUntil([&] { return exists(path) || exists(failed); }, Milliseconds(20000));
    if (exists(path)) return true;
    DeleteFileA(failed.c_str());
    // Once is enough to know: the rest of the run copies the screen with GDI at once.
    unavailable = true;
    std::fprintf(stderr, "screenshot: the X screen could not be copied with %s; GDI copies the screen instead\n", kImport);
    return false;
}

// A picture read back from a BMP file: rows top to bottom, pixels as 0xRRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// The uncompressed 24- and 32-bit BMP files that the captures write; an empty picture for
// anything else.
Picture ReadBmp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto le32 = [&](size_t offset) {
        return static_cast<uint32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                                     static_cast<uint32_t>(bytes[offset + 3]) << 24);
    };
    Picture picture;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return picture;
    const uint32_t data = le32(10);
    const auto width = static_cast<int32_t>(le32(18));
    const auto height = static_cast<int32_t>(le32(22));
    const int bits = bytes[28] | bytes[29] << 8;
    const uint32_t compression = le32(30);
    if (width <= 0 || height == 0 || (bits != 24 && bits != 32) || (compression != BI_RGB && compression != BI_BITFIELDS)) {
        return picture;
    }
    const int rows = height < 0 ? -height : height;
    const size_t row_bytes = (static_cast<size_t>(width) * static_cast<size_t>(bits / 8) + 3) & ~size_t{3};
    if (data + row_bytes * static_cast<size_t>(rows) > bytes.size()) return picture;
    picture.width = width;
    picture.height = rows;
    picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const size_t start = data + row_bytes * static_cast<size_t>(height < 0 ? row : rows - 1 - row);
        for (int x = 0; x < width; ++x) {
            const unsigned char* pixel = &bytes[start + static_cast<size_t>(x) * static_cast<size_t>(bits / 8)];
            picture.pixels[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                static_cast<uint32_t>(pixel[2]) << 16 | static_cast<uint32_t>(pixel[1]) << 8 | pixel[0];
        }
    }
    return picture;
}

// Whether the band between a window's top border and its client area, inside the side
// borders, holds more than one colour (a caption, a close box) in the picture taken of area.
bool TitleBarShown(const std::string& path, const Window& window, const Rect& area) {
    const Picture picture = ReadBmp(path);
    const Rect outer = window.ScreenRect();
    const Rect client = window.ClientScreenRect();
    const int border = client.left - outer.left;
    const int left = std::max(outer.left + border - area.left, 0);
    const int right = std::min(outer.right - border - area.left, picture.width);
    const int top = std::max(outer.top + border - area.top, 0);
    const int bottom = std::min(client.top - area.top, picture.height);
    if (left >= right || top >= bottom) return false;
    const uint32_t first = picture.At(left, top);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (picture.At(x, y) != first) return true;
        }
    }
    return false;
}

bool HasCaption(const Window& window) {
    const auto style = static_cast<DWORD>(GetWindowLongA(static_cast<HWND>(window.Handle()), GWL_STYLE));
    return (style & WS_CAPTION) == WS_CAPTION;
}

Rect OnScreen(const Rect& requested) {
    return Rect{std::max(requested.left, 0), std::max(requested.top, 0),
                std::min(requested.right, GetSystemMetrics(SM_CXSCREEN)),
                std::min(requested.bottom, GetSystemMetrics(SM_CYSCREEN))};
}

}  // namespace

bool CaptureRect(const Rect& requested, const std::string& path) {
    const Rect area = OnScreen(requested);
    if (area.Width() <= 0 || area.Height() <= 0) return false;
    return CopyXScreen(area, path) || CopyScreenWithGdi(area, path);
}

bool CaptureScreen(const std::string& path) {
    return CaptureRect(Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, path);
}

WindowShot CaptureWindow(const Window& window, const std::string& path) {
    if (!window.Exists()) return WindowShot::NotSaved;
    // Wine paints a frame a moment after the window's content, later still on a busy machine;
    // a window that has just come up may not have its title bar yet, so it is asked to paint
    // its frame and pictured again.
    const bool caption = HasCaption(window);
    for (int attempt = 0;; ++attempt) {
        const Rect area = OnScreen(window.ScreenRect());
        if (!CaptureRect(area, path)) return WindowShot::NotSaved;
        if (!caption || TitleBarShown(path, window, area)) return WindowShot::Saved;
        if (attempt == 20) return WindowShot::NoTitleBar;
        RedrawWindow(static_cast<HWND>(window.Handle()), nullptr, nullptr,
                     RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pause(Milliseconds(300));
    }
}

}  // namespace e2e
