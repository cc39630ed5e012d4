#include "ui/command_line/terminal_progress.h"

#include <unistd.h>

#include <utility>

namespace quorva {

namespace {

volatile std::sig_atomic_t StopRequest = 0;

extern "C" void RequestStop(int signal)
{
    StopRequest = signal;
}

void Catch(int signal, struct sigaction& previous)
{
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    // The writer's system calls go on as if nothing happened; the stop is
    // heard at the next report of progress.
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, &previous);
}

} // namespace

TTerminalProgress::TTerminalProgress(std::FILE* out)
    : out_(out), drawing_(out && isatty(fileno(out)))
{
    StopRequest = 0;
    Catch(SIGINT, previousInterrupt_);
    Catch(SIGTERM, previousTerminate_);
}

TTerminalProgress::~TTerminalProgress()
{
    Erase();
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerminate_, nullptr);
}

void TTerminalProgress::SetCaption(std::string caption)
{
    caption_ = std::move(caption);
    shownPercent_ = -1;
}

bool TTerminalProgress::Proceed(std::uint64_t done, std::uint64_t total)
{
    if (StopRequest)
        return false;
    const int percent = total ? static_cast<int>(done * 100.0 / total) : 100;
    if (percent != shownPercent_)
        Draw(percent);
    return true;
}

int TTerminalProgress::StopSignal() const
{
    return StopRequest;
}

void TTerminalProgress::SayAbove(std::FILE* to, const std::string& line)
{
    Erase();
    lineShown_ = false;
    shownPercent_ = -1;
    std::fprintf(to, "%s\n", line.c_str());
    std::fflush(to);
}

void TTerminalProgress::Draw(int percent)
{
    shownPercent_ = percent;
    if (!drawing_)
        return;
    std::fprintf(out_, "\r\033[K%s %d%%", caption_.c_str(), percent);
    lineShown_ = true;
    std::fflush(out_);
}

void TTerminalProgress::Erase()
{
    if (lineShown_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
    }
}

} // namespace quorva
