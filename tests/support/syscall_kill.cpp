#include "support/syscall_kill.h"

#include <algorithm>
#include <csignal>
#include <stdexcept>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorva::test {
namespace {

// True once stopped at the moment; false when the child ended first.
bool TraceUntil(pid_t child, const TSyscallMoment& moment)
{
    bool counting = moment.after < 0;
    int seen = 0, signal = 0, status = 0;
    long entered = -1;
    while (::ptrace(PTRACE_SYSCALL, child, nullptr, signal) == 0 &&
           ::waitpid(child, &status, 0) == child && WIFSTOPPED(status)) {
        signal = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
        __ptrace_syscall_info info{};
        if (signal != 0 || ::ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof info, &info) <= 0)
            continue;
        const bool entry = info.op == PTRACE_SYSCALL_INFO_ENTRY;
        entered = entry ? static_cast<long>(info.entry.nr) : entered;
        counting = counting || (entry && entered == moment.after);
        if (counting && entered == moment.number && entry != moment.onReturn &&
            ++seen == moment.count)
            return true;
    }
    return false;
}

} // namespace

TChildEnd RunInterruptedAt(const TSyscallMoment& moment, const std::function<void()>& action,
                           const std::function<void()>& atMoment)
{
    // The traced child is a grandchild, so that RunInChild's own reporting is
    // not traced; its message comes through a pipe of its own.
    return RunInChild([&] {
        int ends[2];
        if (::pipe(ends) != 0)
            throw std::runtime_error("pipe failed");
        const pid_t child = ::fork();
        if (child == 0) {
            ::ptrace(PTRACE_TRACEME, 0, nullptr, 0);
            ::raise(SIGSTOP);
            std::string message;
            try {
                action();
            } catch (const std::exception& error) {
                message = error.what();
            }
            [[maybe_unused]] auto written = ::write(ends[1], message.data(), message.size());
            ::_exit(0);
        }
        ::close(ends[1]);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
        if (TraceUntil(child, moment)) {
            atMoment ? atMoment() : void(::kill(child, SIGKILL));
            ::ptrace(PTRACE_DETACH, child, nullptr, 0);
            ::waitpid(child, &status, 0);
        }
        while (::waitpid(-1, nullptr, 0) > 0) {
        }
        std::string message(4096, '\0');
        message.resize(
            static_cast<std::size_t>(std::max(0L, ::read(ends[0], message.data(), 4096))));
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            ::raise(SIGKILL); // the caller sees the child's end as this one's
        if (!message.empty())
            throw std::runtime_error(message);
    });
}

} // namespace quorva::test
