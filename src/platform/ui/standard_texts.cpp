#include "platform/ui/standard_texts.h"

namespace platform::ui {

namespace {

StandardTexts& Texts() {
    static StandardTexts texts;
    return texts;
}

}  // namespace

const StandardTexts& CurrentStandardTexts() { return Texts(); }

void SetStandardTexts(const StandardTexts& texts) { Texts() = texts; }

std::string StripAccelerator(const std::string& caption) {
    std::string shown;
    for (size_t position = 0; position < caption.size(); ++position) {
        if (caption[position] == '&') {
            if (position + 1 < caption.size() && caption[position + 1] == '&') {
                shown += '&';
                ++position;
            }
            continue;
        }
        shown += caption[position];
    }
    return shown;
}

}  // namespace platform::ui
