#include "locale/language.h"
#include "platform/code_page.h"
#include "platform/ui/standard_texts.h"

namespace locale {
namespace {

std::string Russian(const char* utf8) { return platform::Utf8ToAnsi(utf8); }

}  // namespace

void LocalizeDialogs() {
    platform::ui::StandardTexts texts = platform::ui::CurrentStandardTexts();
    texts.directory_missing_question = PickText(Russian("Указанный каталог не существует. Создать его?"),
                                                "The specified directory does not exist. Create it?");
    texts.directory_caption = PickText(Russian("Выбор каталога"), "Select Directory");
    texts.directory_name_label = PickText(Russian("Имя каталога:"), "Directory &Name:");
    texts.drives_label = PickText(Russian("Диски:"), "D&rives:");
    texts.directories_label = PickText(Russian("Каталоги:"), "&Directories:");
    texts.files_label = PickText(Russian("Файлы: (*.*)"), "&Files: (*.*)");
    texts.network_button = PickText(Russian("Сеть..."), "Ne&twork...");
    texts.dialog_cancel = PickText(Russian("Отмена"), "Cancel");
    texts.dialog_yes = PickText(Russian("Да"), "&Yes");
    texts.dialog_no = PickText(Russian("Нет"), "&No");
    texts.warning_caption = PickText(Russian("Предупреждение"), "Warning");
    texts.error_caption = PickText(Russian("Ошибка"), "Error");
    texts.information_caption = PickText(Russian("Информация"), "Information");
    texts.confirmation_caption = PickText(Russian("Подтверждение"), "Confirm");
    texts.message_cancel = PickText(Russian("Отмена"), "Cancel");
    texts.message_yes = PickText(Russian("Да"), "&Yes");
    texts.message_no = PickText(Russian("Нет"), "&No");
    texts.message_retry = PickText(Russian("Повтор"), "Repeat");
    texts.message_ignore = PickText(Russian("Далее"), "Next");
    platform::ui::SetStandardTexts(texts);
}

}  // namespace locale
