#include "model/extended_attributes.h"

#include <cerrno>
#include <string_view>
#include <sys/xattr.h>
#include <vector>

namespace quorva {
namespace {

// Fills `buffer` by `query(data, size)`, which returns the length needed when
// given size 0, as the attribute calls do. The value may grow between the
// two calls; then it is asked again.
template <class Query> bool QueryInto(std::vector<char>& buffer, const Query& query)
{
    for (;;) {
        const ssize_t needed = query(nullptr, 0);
        if (needed < 0)
            return false;
        buffer.resize(static_cast<std::size_t>(needed));
        const ssize_t got = query(buffer.data(), buffer.size());
        if (got >= 0) {
            buffer.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
}

} // namespace

bool CopyExtendedAttributes(const std::string& from, int to)
{
    std::vector<char> names;
    if (!QueryInto(names, [&](char* data, std::size_t size) {
            return ::listxattr(from.c_str(), data, size);
        }))
        // A file system without attributes has none to lose.
        return errno == ENOTSUP;
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const std::string_view name(names.data() + at);
        at += name.size() + 1;
        const bool copied = QueryInto(value,
                                      [&](char* data, std::size_t size) {
                                          return ::getxattr(from.c_str(), name.data(), data, size);
                                      }) &&
                            ::fsetxattr(to, name.data(), value.data(), value.size(), 0) == 0;
        if (!copied)
            return false;
    }
    return true;
}

} // namespace quorva
