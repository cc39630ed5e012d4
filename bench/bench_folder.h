#pragma once

#include <string>

namespace quorva::bench {

// A scratch folder for files the benchmarks write, removed with its contents
// at the end. It lies under $QUORVA_BENCH_DIR when set (so that the disk can
// be chosen), under the system's temporary folder otherwise.
class TBenchFolder {
public:
    TBenchFolder();
    ~TBenchFolder();
    TBenchFolder(const TBenchFolder&) = delete;
    TBenchFolder& operator=(const TBenchFolder&) = delete;

    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace quorva::bench
