#pragma once
// The texts of the standard dialogs (message boxes and the directory dialog). They start in
// English; the language module replaces them when the interface language is settled. An
// '&' marks the next letter as the keyboard accelerator and is not displayed.

#include <string>

namespace platform::ui {

struct StandardTexts {
    // Directory dialog.
    std::string directory_missing_question = "The specified directory does not exist. Create it?";
    std::string directory_caption = "Select Directory";
    std::string directory_name_label = "Directory &Name:";
    std::string drives_label = "D&rives:";
    std::string directories_label = "&Directories:";
    std::string files_label = "&Files: (*.*)";
    std::string network_button = "Ne&twork...";
    // Buttons of dialog windows, such as the directory dialog's Cancel.
    std::string dialog_cancel = "Cancel";
    std::string dialog_yes = "&Yes";
    std::string dialog_no = "&No";
    // Message box captions, by kind.
    std::string warning_caption = "Warning";
    std::string error_caption = "Error";
    std::string information_caption = "Information";
    std::string confirmation_caption = "Confirm";
    // Message box buttons. OK reads "OK" in every language.
    std::string message_cancel = "Cancel";
    std::string message_yes = "&Yes";
    std::string message_no = "&No";
    std::string message_retry = "Repeat";
    std::string message_ignore = "Next";
};

// The OK button's caption, the same in every language.
inline constexpr const char* kOkCaption = "OK";

// The texts in force.
const StandardTexts& CurrentStandardTexts();
// Replaces the texts in force; dialogs shown afterwards use them.
void SetStandardTexts(const StandardTexts& texts);

// A caption without its accelerator marks: "&Yes" reads "Yes", "&&" stands for one '&'.
std::string StripAccelerator(const std::string& caption);

}  // namespace platform::ui
