#include "model/journal/early_base_copy.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <exception>

#include "model/files/file_copy.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_error.h"
#include "model/files/system_calls.h"

namespace quorva {

TEarlyBaseCopy::TEarlyBaseCopy(const std::string& fileName, const std::string& folder)
    : base_{fileName, IdentifyFile(fileName)}
{
    if (!base_.identity || copy_.Open(folder, 0600, O_RDWR, std::string(MakingJournalPrefix)) != 0)
        return;
    // Private whatever the umask, and, under a hidden name, locked, as a
    // journal being made is.
    if (::fchmod(copy_.Fd(), 0600) != 0 || ::flock(copy_.Fd(), LOCK_EX | LOCK_NB) != 0)
        return;
    thread_ = std::thread([this] { Copy(); });
}

TEarlyBaseCopy::~TEarlyBaseCopy()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

bool TEarlyBaseCopy::Copies(const TJournalBase& base) const
{
    return base_.identity && base.fileName == base_.fileName && base.identity == base_.identity;
}

void TEarlyBaseCopy::Copy()
{
    std::optional<std::string> record;
    try {
        const TFileDescriptor from(
            ::open(base_.fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        // The file as the rows are read from it, before and after the copy.
        if (from.Valid() && IdentifyOpenFile(from.Get()) == base_.identity &&
            CopyFromStart(from.Get(), copy_.Fd(), &stop_) == 0 &&
            IdentifyOpenFile(from.Get()) == base_.identity)
            record = CopyRecord(copy_.Fd(), base_.fileName, &stop_);
    } catch (const std::exception&) {
        // The journal copies the file itself.
    }
    {
        const std::lock_guard lock(mutex_);
        record_ = std::move(record);
        copied_ = true;
    }
    done_.notify_all();
    // The copy protects the rows from a kill as soon as its record is
    // written; from a power cut, once on disk.
    if (record_)
        Sys().fdatasync(copy_.Fd());
}

void TEarlyBaseCopy::Wait()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return copied_ || !thread_.joinable(); });
}

std::optional<std::string> TEarlyBaseCopy::LinkAt(const std::string& copyPath)
{
    Wait();
    if (!record_)
        return std::nullopt;
    if (const int error = copy_.LinkAt(copyPath); error != 0)
        throw Error(CannotCreateFileMessage(copyPath, error));
    return record_;
}

} // namespace quorva
