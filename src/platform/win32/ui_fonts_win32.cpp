// The GDI fonts of the toolkit's windows: one for each description and display scale,
// created on first use and kept until the program ends.

#include "platform/win32/ui_win32.h"

#include <map>
#include <string>
#include <tuple>

namespace platform::ui::win32 {

namespace {

// Fonts by their description and the height they take at a scale.
class FontCache {
public:
    ~FontCache() {
        for (auto& entry : fonts_) ::DeleteObject(entry.second);
    }
    HFONT Get(const Font& font, const DisplayScale& scale) {
        const int height = scale.FontHeight(font.height);
        const auto key = std::make_tuple(font.name, height, font.bold, font.italic, font.charset);
        auto found = fonts_.find(key);
        if (found != fonts_.end()) return found->second;
        HFONT handle = ::CreateFontA(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic ? TRUE : FALSE,
                                     FALSE, FALSE, static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                     font.name.c_str());
        fonts_.emplace(key, handle);
        return handle;
    }

private:
    std::map<std::tuple<std::string, int, bool, bool, int>, HFONT> fonts_;
};

FontCache& Fonts() {
    static FontCache cache;
    return cache;
}

}  // namespace

HFONT FontHandle(const Font& font, const DisplayScale& scale) { return Fonts().Get(font, scale); }

}  // namespace platform::ui::win32
