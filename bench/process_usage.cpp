#include "process_usage.h"

#include <sys/resource.h>

namespace quorva::bench {

std::size_t PeakResidentBytes()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    // Linux counts in KiB.
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

} // namespace quorva::bench
