#include "model/base/system_resources.h"

#include <sys/statvfs.h>

#include <array>
#include <cmath>
#include <fstream>
#include <limits>

#include "model/base/figures.h"

namespace quorva {
namespace {

constexpr std::uint64_t Unlimited = std::numeric_limits<std::uint64_t>::max();

// "MemAvailable:   8123456 kB" from /proc/meminfo.
std::uint64_t ReadMemAvailable()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:")
            return kilobytes * 1024;
    }
    return Unlimited;
}

class TThisMachine final : public TSystemResources {
public:
    std::uint64_t AvailableMemory() const override { return ReadMemAvailable(); }

    std::uint64_t FreeSpace(const std::string& folder) const override
    {
        struct statvfs figures {};
        if (::statvfs(folder.c_str(), &figures) != 0)
            return Unlimited;
        return static_cast<std::uint64_t>(figures.f_bavail) * figures.f_frsize;
    }

    bool StoresFiles(const std::string& folder) const override
    {
        struct statvfs figures {};
        return ::statvfs(folder.c_str(), &figures) != 0 || figures.f_blocks != 0;
    }
};

} // namespace

const TSystemResources& SystemResources()
{
    static const TThisMachine machine;
    return machine;
}

std::string FormatBytes(std::uint64_t bytes)
{
    struct TUnit {
        double size;
        const char* name;
    };
    constexpr std::array<TUnit, 4> Units{{{1e12, "TB"}, {1e9, "GB"}, {1e6, "MB"}, {1e3, "kB"}}};
    for (const TUnit& unit : Units) {
        // Rounded as printed, so that 999.96 MB reads "1.0 GB", not "1000.0 MB".
        if (static_cast<double>(bytes) >= unit.size * 0.99995) {
            const auto tenths = static_cast<std::uint64_t>(
                std::llround(static_cast<double>(bytes) / unit.size * 10));
            return FormatCount(tenths / 10) + FigureStyle().decimalPoint +
                   std::to_string(tenths % 10) + " " + unit.name;
        }
    }
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

} // namespace quorva
