#include "engine/installation.h"

#include "engine/text_utils.h"
#include "locale/format_text.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {

namespace {

// A failure list ("a", "b", ) becomes its heading with the paths and a line break.
void ListToMessage(std::string& list, const std::string& format) {
    if (list.empty()) return;
    list = locale::FormatText(format + "\r\n", {list.substr(0, list.size() - 2)});
}

}  // namespace

std::string Installation::ProgramGroupName() const {
    // Messages show the group without its leading backslash, at most 100 characters of it.
    return settings_.program_group.size() > 1 ? settings_.program_group.substr(1, 100) : std::string();
}

std::string Installation::ComposeFinalMessage(bool& problems) {
    const InstallTexts& texts = settings_.texts;
    ListToMessage(UpdateFailures, texts.fmt_not_updated);
    ListToMessage(CreateFailures, texts.fmt_not_created);
    ListToMessage(LinkFailures, texts.fmt_links_not_created);
    problems = !UpdateFailures.empty() || !CreateFailures.empty() || !GroupFailure.empty() || !LinkFailures.empty();

    const std::string group = ProgramGroupName();
    const std::vector<std::string> product_args = {texts.product_noun_gen, texts.product_name};
    const std::string links_placed =
        locale::FormatText(texts.fmt_links_placed, {texts.product_noun_gen, texts.product_name, group});
    const bool shortcuts_shown = !settings_.links.empty() && settings_.opt_start_menu;

    std::string message;
    if (!problems) {
        message = locale::FormatText(texts.fmt_success, product_args);
        if (shortcuts_shown) message += "\r\n" + links_placed;
        if (!settings_.run_program.empty() && platform::Files().FileExists(settings_.run_program) && settings_.opt_run) {
            message += texts.run_message;
        }
        return message;
    }

    message = locale::FormatText(texts.fmt_completed, product_args) + "\r\n";
    if (GroupFailure.empty()) {
        if (shortcuts_shown) message += links_placed + "\r\n";
        message += UpdateFailures + CreateFailures + LinkFailures;
    } else {
        message += UpdateFailures + CreateFailures + GroupFailure;
    }
    message += locale::FormatText(texts.fmt_problems,
                          {texts.product_noun, texts.product_name, texts.product_noun_gen, texts.product_name});
    return message;
}

}  // namespace engine
