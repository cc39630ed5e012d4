#pragma once

#include <functional>
#include <optional>
#include <string>

#include "support/temp_dir.h"
#include "support/window_state.h"

namespace quorva::test {

// The two operations that write files, as the window's Save and Start call
// them, with the bytes each must leave in its target.
struct TWriteOperation {
    const char* name;
    std::function<void(const TWindowState&, const std::string&)> run;
    std::function<std::string(const TWindowState&)> expectedBytes;
};

// The column Start exports in these tests.
inline constexpr int ExportedColumn = 2;

extern const TWriteOperation SaveOperation;
extern const TWriteOperation StartOperation;

void PrintTo(const TWriteOperation& operation, std::ostream* out);

// Runs the operation on the state, and checks in the process that ran it
// that a failure left the state alone: raises the failure's Error, or
// "the window's state changed".
void RunKeepingState(const TWriteOperation& operation, const TWindowState& state,
                     const std::string& target);

// Runs the operation on the state as RunKeepingState does: under a file
// size limit of `fileSizeLimit` bytes when there is one, or else as an
// unprivileged user when asked. Returns the failure's message, "" on success.
std::string RunCollectingMessage(const TWriteOperation& operation, const TWindowState& state,
                                 const std::string& target, std::optional<long> fileSizeLimit,
                                 bool unprivileged);

// Makes `name` and a second hard link to it, `otherName`, in the folder;
// returns the path of `name`.
std::string MakeHardLinkedFile(const TTempDir& dir, const std::string& name,
                               const std::string& otherName, const std::string& bytes);

// A test name from words: "disk full, first byte" gives "DiskFullFirstByte".
std::string TestName(const std::string& prefix, const std::string& words);

} // namespace quorva::test
