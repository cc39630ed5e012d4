#include "bench_folder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace quorva::bench {

TBenchFolder::TBenchFolder()
{
    const char* base = std::getenv("QUORVA_BENCH_DIR");
    std::string pattern =
        (base ? std::string(base) : std::filesystem::temp_directory_path().string()) +
        "/quorva-bench-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder in " + pattern);
    path_ = pattern;
}

TBenchFolder::~TBenchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace quorva::bench
