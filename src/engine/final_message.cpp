#include "engine/installation.h"

#include "engine/text_utils.h"
#include "locale/format_text.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/security.h"
#include "platform/shell.h"

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

UtilityStart Installation::PlanUtilityStart() const {
    const std::string& program = settings_.run_program;
    if (program.empty() || !platform::Files().FileExists(program) || !settings_.opt_run) return UtilityStart::None;
    // Whoever can change the file, or put another in its place, would have it run with the
    // rights of whoever starts it.
    platform::Security& security = platform::SecurityServices();
    const std::string folder = DirectoryPart(program);
    const bool administrators_only = security.CheckTrusted(program) == platform::TrustVerdict::Trusted &&
                                     security.CheckTrusted(folder) == platform::TrustVerdict::Trusted &&
                                     security.CheckTrusted(settings_.install_dir) == platform::TrustVerdict::Trusted;
    if (administrators_only) return UtilityStart::Elevated;
    return platform::ShellServices().CanStartAsDesktopUser() ? UtilityStart::AsDesktopUser : UtilityStart::Refused;
}

std::string Installation::ComposeFinalMessage(bool& problems) {
    utility_start_ = UtilityStart::None;
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
        utility_start_ = PlanUtilityStart();
        if (utility_start_ == UtilityStart::Refused) {
            message += locale::FormatText(texts.fmt_run_not_started, {settings_.run_program});
        } else if (utility_start_ != UtilityStart::None) {
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
