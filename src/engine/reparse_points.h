#pragma once
// Junctions, symbolic links and mount points are never followed by the run's changes: a path
// that leads through one may end anywhere, also in the system directory, so nothing is
// written, moved, deleted or given attributes through it, and a tree is removed without ever
// descending into one.

#include <string>

#include "engine/text_utils.h"

namespace engine {

// True when root itself or any existing level of path below root is a reparse point, or
// when path does not lie below root at all. Levels that do not exist yet are the run's own
// to create, so the walk ends at the first missing one.
bool LeadsThroughReparsePoint(const std::string& root, const std::string& path);

// Deletes dir with everything in it. A reparse point inside it (or dir itself being one) is
// deleted as the entry it is, never descended into; read-only files are deleted too. What
// cannot be deleted stays, and so does dir then.
void DeleteTree(const std::string& dir);

}  // namespace engine
