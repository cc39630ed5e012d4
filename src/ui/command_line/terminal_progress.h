#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>

#include "model/base/progress.h"

namespace quorva {

// The progress of an operation run from the command line. While it lives,
// Ctrl+C (SIGINT) and SIGTERM do not kill the process but make the next
// Proceed say stop, so that the operation ends through Cancelled and cleans
// up after itself; the previous handlers come back when it goes.
//
// On a terminal it keeps one line of `out` showing the caption and the
// percentage done, and erases it when it goes; elsewhere (a log, a pipe) it
// writes nothing, so that scripts see only the failures.
class TTerminalProgress final : public TProgress {
public:
    explicit TTerminalProgress(std::FILE* out);
    ~TTerminalProgress() override;
    TTerminalProgress(const TTerminalProgress&) = delete;
    TTerminalProgress& operator=(const TTerminalProgress&) = delete;

    void SetCaption(std::string caption);
    // Writes a line of its own to `to` (the terminal's other stream, or the
    // same), with the progress line out of its way and drawn again after it.
    void SayAbove(std::FILE* to, const std::string& line);
    bool Proceed(std::uint64_t done, std::uint64_t total) override;

    // The signal that asked to stop, 0 while none has.
    int StopSignal() const;

private:
    void Draw(int percent);
    void Erase();

    std::FILE* out_;
    bool drawing_;
    std::string caption_;
    int shownPercent_ = -1;
    bool lineShown_ = false;
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};

} // namespace quorva
