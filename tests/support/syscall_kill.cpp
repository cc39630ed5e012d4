#include "support/syscall_kill.h"

#include <csignal>
#include <stdexcept>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorva::test {
namespace {

// Follows the child's system calls; returns true stopped at the moment, or
// false once the child has ended.
bool TraceUntil(pid_t child, const TSyscallMoment& moment)
{
    bool counting = moment.after < 0;
    int seen = 0;
    long entered = -1;
    int signal = 0;
    for (;;) {
        if (::ptrace(PTRACE_SYSCALL, child, nullptr, signal) != 0)
            return false;
        int status = 0;
        if (::waitpid(child, &status, 0) != child || !WIFSTOPPED(status))
            return false;
        signal = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
        if (signal != 0)
            continue;
        __ptrace_syscall_info info{};
        ::ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof info, &info);
        const bool entry = info.op == PTRACE_SYSCALL_INFO_ENTRY;
        if (entry)
            entered = static_cast<long>(info.entry.nr);
        counting = counting || (entry && entered == moment.after);
        if (counting && entered == moment.number && entry != moment.onReturn &&
            ++seen == moment.count)
            return true;
    }
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

} // namespace

TChildEnd RunInterruptedAt(const TSyscallMoment& moment, const std::function<void()>& action,
                           const std::function<void()>& atMoment)
{
    // The traced child is a grandchild, and its message comes through this
    // pipe: RunInChild's own would be traced.
    return RunInChild([&] {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            throw std::runtime_error("pipe failed");
        const pid_t child = ::fork();
        if (child < 0)
            throw std::runtime_error("fork failed");
        if (child == 0) {
            ::close(pipeEnds[0]);
            ::ptrace(PTRACE_TRACEME, 0, nullptr, 0);
            ::raise(SIGSTOP);
            std::string message;
            try {
                action();
            } catch (const std::exception& error) {
                message = error.what();
            }
            [[maybe_unused]] auto written = ::write(pipeEnds[1], message.data(), message.size());
            ::_exit(0);
        }
        ::close(pipeEnds[1]);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
        if (TraceUntil(child, moment)) {
            if (!atMoment)
                ::kill(child, SIGKILL);
            else
                atMoment();
            ::ptrace(PTRACE_DETACH, child, nullptr, 0);
            ::waitpid(child, &status, 0);
        }
        // Whatever `atMoment` started ends too before this returns.
        while (::waitpid(-1, nullptr, 0) > 0) {
        }
        const std::string message = ReadAll(pipeEnds[0]);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            ::raise(SIGKILL); // reported to the caller as this child's end
        if (!message.empty())
            throw std::runtime_error(message);
    });
}

} // namespace quorva::test
