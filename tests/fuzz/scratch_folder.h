#pragma once

#include <string>
#include <string_view>

namespace quorva::fuzz {

// A folder of this process's own for the files a target writes, made on first
// use under $TMPDIR (or /tmp) and removed when the process ends.
const std::string& ScratchFolder();

// Writes the bytes as the whole contents of the file; aborts when it cannot.
void WriteScratchFile(const std::string& fileName, std::string_view bytes);
std::string ReadScratchFile(const std::string& fileName);

} // namespace quorva::fuzz
