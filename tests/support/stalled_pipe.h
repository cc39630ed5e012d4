#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quorva::test {

// A named pipe of one page whose reader never reads: a writer soon has to
// wait (Full), until the reader leaves (Leave) and its next write fails.
class TStalledPipe {
public:
    explicit TStalledPipe(const std::string& path)
    {
        if (::mkfifo(path.c_str(), 0600) != 0 ||
            (reader_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK)) < 0 ||
            (probe_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 ||
            ::fcntl(reader_, F_SETPIPE_SZ, 4096) < 0)
            throw std::runtime_error("cannot make a pipe at " + path);
    }
    ~TStalledPipe()
    {
        Leave();
        ::close(probe_);
    }
    TStalledPipe(const TStalledPipe&) = delete;
    TStalledPipe& operator=(const TStalledPipe&) = delete;

    bool Full() const
    {
        pollfd entry{probe_, POLLOUT, 0};
        return ::poll(&entry, 1, 0) == 0;
    }
    void Leave()
    {
        ::close(reader_);
        reader_ = -1;
    }

private:
    int reader_ = -1;
    int probe_ = -1; // a second writer, only asked whether it could write
};

} // namespace quorva::test
