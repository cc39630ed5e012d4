#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

namespace quorva {

// Writes a new regular file past the page cache (O_DIRECT) once it grows
// large, so that a big export costs neither the copy into the cache nor the
// zeroing of fresh cache pages. The text is gathered in aligned buffers; the
// first full one switches the descriptor to direct writing, and from then on
// a writer thread writes one buffer while the caller fills the other.
//
// A text smaller than one buffer, or a file system that refuses direct
// writing (on switching or on any write), is written as before through the
// page cache, with the same bytes. Finish() pads the last block and cuts the
// file back to its exact size.
//
// The descriptor stays the caller's; it must outlive this object, whose
// destruction stops the writer thread (after the write under way) on every
// path.
class TDirectOutput {
public:
    explicit TDirectOutput(int fd);
    ~TDirectOutput();
    TDirectOutput(const TDirectOutput&) = delete;
    TDirectOutput& operator=(const TDirectOutput&) = delete;

    // Called every few milliseconds while the caller waits for the writer
    // thread; it may end the wait by raising (Cancelled).
    using TWaitFn = std::function<void()>;

    // Takes all of `data`; false with errno set when an earlier or this
    // write failed.
    bool Write(std::string_view data, const TWaitFn& whileWaiting = {});
    // Writes what is left and gives the file its exact size; false with
    // errno set on failure.
    bool Finish();
    // Whether the text goes past the page cache.
    bool Direct() const { return mode_ == TMode::Direct; }

    static constexpr std::size_t BufferSize = std::size_t{4} << 20;
    // What a writer may hold in memory at the most: the two buffers.
    static constexpr std::size_t MemoryBytes = 2 * BufferSize;

private:
    enum class TMode { Gathering, Direct, Plain };
    struct TFree {
        void operator()(char* p) const noexcept;
    };
    using TBuffer = std::unique_ptr<char[], TFree>;

    bool Flush(const TWaitFn& whileWaiting);
    void Begin();
    bool Hand(std::size_t size, const TWaitFn& whileWaiting);
    int Drain();
    void Run();

    int fd_;
    TMode mode_ = TMode::Gathering;
    TBuffer buffers_[2];
    std::size_t filling_ = 0; // the buffer the caller fills
    std::size_t filled_ = 0;
    std::uint64_t total_ = 0;

    // Shared with the writer thread.
    std::mutex mutex_;
    std::condition_variable changed_;
    bool handed_ = false; // buffers_[1 - filling_] waits to be written, or is being written
    std::size_t handedSize_ = 0;
    bool stopping_ = false;
    int error_ = 0;
    std::jthread thread_; // last: joined before the rest goes
};

} // namespace quorva
