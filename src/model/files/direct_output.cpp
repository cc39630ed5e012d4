#include "model/files/direct_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "model/files/file_io.h"
#include "model/files/system_calls.h"

namespace quorva {
namespace {

// Offsets, lengths and addresses of direct writes are multiples of this; it
// covers the logical block size of every usual disk.
constexpr std::size_t Block = 4096;

// Writes all of `size` bytes; returns 0 or the errno value of the failure.
// A direct write the file system refuses, as some do only on writing or for
// an odd length after a short write, is written again through the page
// cache.
int WriteWhole(int fd, const char* data, std::size_t size)
{
    return WriteAllRetrying(fd, std::string_view(data, size), [fd](int error) {
        const int flags = error == EINVAL ? ::fcntl(fd, F_GETFL) : -1;
        return flags >= 0 && (flags & O_DIRECT) && ::fcntl(fd, F_SETFL, flags & ~O_DIRECT) == 0;
    });
}

bool Succeeded(int error)
{
    errno = error;
    return error == 0;
}

} // namespace

void TDirectOutput::TFree::operator()(char* p) const noexcept
{
    std::free(p);
}

TDirectOutput::TDirectOutput(int fd) : fd_(fd)
{
    // Pages are only touched as they fill, so a short text costs little.
    buffers_[0].reset(static_cast<char*>(std::aligned_alloc(Block, BufferSize)));
    if (!buffers_[0])
        throw std::bad_alloc();
}

TDirectOutput::~TDirectOutput()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

bool TDirectOutput::Write(std::string_view data)
{
    while (!data.empty()) {
        if (mode_ == TMode::Plain)
            return Succeeded(WriteWhole(fd_, data.data(), data.size()));
        const std::size_t part = std::min(data.size(), BufferSize - filled_);
        std::memcpy(buffers_[filling_].get() + filled_, data.data(), part);
        filled_ += part;
        total_ += part;
        data.remove_prefix(part);
        if (filled_ == BufferSize && !Flush())
            return false;
    }
    return true;
}

bool TDirectOutput::Flush()
{
    if (mode_ == TMode::Gathering)
        Begin();
    const std::size_t size = std::exchange(filled_, 0);
    if (mode_ == TMode::Plain)
        return Succeeded(WriteWhole(fd_, buffers_[filling_].get(), size));
    return Hand(size);
}

// The text has proved large: writes directly from here on where the file
// system allows it, on a writer thread where one can be started.
void TDirectOutput::Begin()
{
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_DIRECT) != 0) {
        mode_ = TMode::Plain;
        return;
    }
    mode_ = TMode::Direct;
    buffers_[1].reset(static_cast<char*>(std::aligned_alloc(Block, BufferSize)));
    if (!buffers_[1])
        return; // one buffer, written on the caller's thread
    try {
        thread_ = std::jthread([this] { Run(); });
    } catch (const std::system_error&) {
        // Written on the caller's thread instead.
    }
}

// Gives the full buffer to the writer thread once it has finished the one
// before, and goes on with the other.
bool TDirectOutput::Hand(std::size_t size)
{
    if (!thread_.joinable())
        return Succeeded(WriteWhole(fd_, buffers_[filling_].get(), size));
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !handed_; });
    if (error_ != 0)
        return Succeeded(error_);
    handed_ = true;
    handedSize_ = size;
    filling_ = 1 - filling_;
    changed_.notify_all();
    return true;
}

// Waits until the writer thread is idle; returns the errno value of its
// failure, or 0.
int TDirectOutput::Drain()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !handed_; });
    return error_;
}

void TDirectOutput::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return handed_ || stopping_; });
        if (stopping_)
            return;
        const char* data = buffers_[1 - filling_].get();
        const std::size_t size = handedSize_;
        lock.unlock();
        const int error = WriteWhole(fd_, data, size);
        lock.lock();
        if (error_ == 0)
            error_ = error;
        handed_ = false;
        changed_.notify_all();
    }
}

bool TDirectOutput::Finish()
{
    if (mode_ != TMode::Direct)
        return Succeeded(WriteWhole(fd_, buffers_[filling_].get(), std::exchange(filled_, 0)));
    if (const int error = Drain())
        return Succeeded(error);
    // The last block goes whole, padded with zeros that the cut then drops.
    const std::size_t padded = (filled_ + Block - 1) / Block * Block;
    std::memset(buffers_[filling_].get() + filled_, 0, padded - filled_);
    if (const int error = WriteWhole(fd_, buffers_[filling_].get(), padded))
        return Succeeded(error);
    filled_ = 0;
    return Succeeded(Sys().ftruncate(fd_, static_cast<off_t>(total_)) == 0 ? 0 : errno);
}

} // namespace quorva
