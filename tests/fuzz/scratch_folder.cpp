#include "fuzz/scratch_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "fuzz/fuzz_check.h"

namespace quorva::fuzz {
namespace {

// Lives as long as the process and takes its files with it.
class TScratchFolder {
public:
    TScratchFolder()
    {
        const char* base = std::getenv("TMPDIR");
        path_ = std::string(base && *base ? base : "/tmp") + "/quorva-fuzz-XXXXXX";
        Check(::mkdtemp(path_.data()) != nullptr, "cannot make a scratch folder");
    }
    ~TScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace

const std::string& ScratchFolder()
{
    static const TScratchFolder folder;
    return folder.Path();
}

void WriteScratchFile(const std::string& fileName, std::string_view bytes)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    Check(out.good(), "cannot write a scratch file");
}

std::string ReadScratchFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    Check(in.good(), "cannot read a scratch file");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace quorva::fuzz
