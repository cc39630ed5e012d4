#include "support/child_process.h"

#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace quorva::test {

TChildEnd RunInChild(const std::function<void()>& action)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::string message;
        try {
            action();
        } catch (const std::exception& error) {
            message = error.what();
            if (message.empty())
                message = "(empty message)";
        }
        [[maybe_unused]] auto written = ::write(pipeEnds[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    TChildEnd end;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        end.message.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    end.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return end;
}

std::string MessageFromChild(const std::function<void()>& action)
{
    const TChildEnd end = RunInChild(action);
    if (!end.exited)
        throw std::runtime_error("the child did not finish");
    return end.message;
}

} // namespace quorva::test
