#include "support/folder_snapshot.h"

#include <filesystem>

#include "support/temp_dir.h"

namespace quorva::test {

namespace fs = std::filesystem;
namespace {

std::string ContentsOf(const fs::path& file)
{
    try {
        return ReadBytes(file.string());
    } catch (const std::exception&) {
        return "<unreadable>";
    }
}

} // namespace

TFolderSnapshot SnapshotFolder(const std::string& folder)
{
    TFolderSnapshot snapshot;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink())
            snapshot[name] = "-> " + fs::read_symlink(entry.path()).string();
        else if (entry.is_directory())
            snapshot[name] = "<folder>";
        else if (!entry.is_regular_file())
            // Reading a pipe would wait for a writer, a device may never end.
            snapshot[name] = "<special>";
        else
            snapshot[name] = ContentsOf(entry.path());
    }
    return snapshot;
}

std::size_t OpenDescriptorCount()
{
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return std::size_t(std::distance(begin(entries), end(entries)));
}

} // namespace quorva::test
