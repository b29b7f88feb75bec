#pragma once
// The engine's copy of the setup description, taken when the progress window starts its run.

#include "engine/install_settings.h"

namespace setup {
struct TSetupDescription;
}

namespace engine {

// The fields the engine reads, the tables cut to their counts, the texts as picked for the
// interface language; setup_program is the running program's own path.
InstallSettings SettingsFromDescription(const setup::TSetupDescription& description, const std::string& setup_program);

// Writes back what the run changed in its copy: the expanded macro paths and the directories
// added to Dirs (up to the table's size).
void StoreExpandedSettings(const InstallSettings& settings, setup::TSetupDescription& description);

}  // namespace engine
