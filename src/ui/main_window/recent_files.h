#pragma once

#include <string>
#include <vector>

namespace quorva {

// The row lists last opened or saved, newest first, kept in the settings so
// that the next start offers them too. Names are absolute, in the file
// system's encoding.
inline constexpr int RecentFileCount = 8;

std::vector<std::string> RecentFiles();

// The file last opened or saved; empty when there is none.
std::string LastUsedFile();

// Puts the file first, once, and lets the oldest beyond the count go.
void RememberRecentFile(const std::string& fileName);
// Takes the file out of the list.
void ForgetRecentFile(const std::string& fileName);

} // namespace quorva
