#include "engine/installation.h"

#include "engine/text_utils.h"
#include "locale/format_text.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/held_folder.h"
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

namespace {

// The libraries, manifests and redirection files the system would load into the utility from
// its folder are as good as the utility itself.
bool LoadedBesideIsTrusted(const std::string& folder) {
    platform::Security& security = platform::SecurityServices();
    for (const platform::DirectoryEntry& entry : platform::Files().ListDirectory(folder)) {
        const std::string name = platform::UpperCaseAnsi(entry.name);
        const size_t dot = name.rfind('.');
        const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
        if (extension != ".DLL" && extension != ".MANIFEST" && extension != ".LOCAL") continue;
        if (security.CheckTrusted(folder + "\\" + entry.name) != platform::TrustVerdict::Trusted) return false;
    }
    return true;
}

}  // namespace

UtilityStart Installation::PlanUtilityStart() {
    const std::string& program = settings_.run_program;
    utility_path_ = program;
    if (program.empty() || !platform::Files().FileExists(program) || !settings_.opt_run) return UtilityStart::None;
    // Whoever can change the file, or put another in its place, would have it run with the
    // rights of whoever starts it.
    platform::Security& security = platform::SecurityServices();
    const std::string folder = DirectoryPart(program);
    // The folder is held from here until the process has started, so the file checked is the
    // one started, by the folder's checked final path.
    platform::HeldFolder* held = holds_.Hold(folder);
    if (held == nullptr && holds_.HoldRoot(folder, platform::HoldKind::Keep)) held = holds_.Hold(folder);
    const bool administrators_only = held != nullptr &&
                                     security.CheckTrusted(program) == platform::TrustVerdict::Trusted &&
                                     security.CheckTrusted(folder) == platform::TrustVerdict::Trusted &&
                                     security.CheckTrusted(settings_.install_dir) == platform::TrustVerdict::Trusted &&
                                     LoadedBesideIsTrusted(folder);
    if (administrators_only) {
        utility_path_ = held->Path() + "\\" + NamePart(program);
        return UtilityStart::Elevated;
    }
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
