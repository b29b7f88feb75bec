#pragma once
// The places a journal may name. A journal is read by an elevated program, and whoever could
// write it could steer that program, so every record is checked here, once, before anything
// acts on the journal: one record that fails makes the whole journal refused.

#include <string>
#include <vector>

#include "engine/journal_format.h"

namespace engine {

// What this machine and this product allow a run to change.
struct JournalPlaces {
    // The machine's own folders a run may use: its system directory, its Start-menu Programs
    // and desktop folders (for all users or for this user).
    std::vector<std::string> machine_folders;
    // Files (relative to the destination) that a folder holding the base product has.
    std::vector<std::string> base_product_files;
    // The keys under HKEY_CLASSES_ROOT the product's associations can write.
    std::vector<std::string> association_keys;
};

// The keys RegisterFileExt writes for an association of ext.
std::vector<std::string> AssociationKeys(const std::string& ext);

// Whether every record of contents stays inside what places allow: the header's destination
// holds the base product, its folders are the machine's own, every path lies inside one of
// them, every copy set aside or kept file carries the run's token in the form the run gives
// it, every key is one the associations can produce. False, with reason (plain English, for
// the record of the run), at the first record that does not.
bool JournalStaysInside(const JournalContents& contents, const JournalPlaces& places, std::string& reason);

}  // namespace engine
