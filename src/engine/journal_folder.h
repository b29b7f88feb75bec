#pragma once
// The folder that keeps the journals of installations: the product's folder under the
// all-users application data folder, which only administrators and the system may change.
// Anyone may create folders in the application data folder, so a folder of that name that
// was not made by the program is never taken as it stands.

#include <string>
#include <vector>

namespace engine {

// The product's folder name under the all-users application data folder.
inline constexpr char kJournalFolderName[] = "VIrovARI2";

// The full path of the journal folder, ready for use: created with a protected descriptor (no
// access for ordinary users) when missing; when something unsafe stands there (owned by
// another account, writable by others, a reparse point, a file), it is moved aside under a
// name beside it that nobody can guess (random, a few tries; where its permissions stop the move,
// administrators take ownership of it first) and a new folder is made. What was done and why is appended to
// log_lines. Empty when the folder cannot be made safe (also logged).
std::string PrepareJournalFolder(std::vector<std::string>& log_lines);

// Whether a journal may be read: the file and its folder are not reparse points, are owned by
// SYSTEM, Administrators or the account the program runs as, and no other account may change
// them. False with reason (an English sentence for the log) otherwise.
bool IsTrustedJournal(const std::string& journal_path, std::string& reason);

}  // namespace engine
