#include "model/files/extended_attributes.h"

#include <cerrno>
#include <string_view>
#include <sys/xattr.h>
#include <vector>

#include "model/files/system_calls.h"

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

// The names of a file's attributes, each followed by a NUL; false when they
// cannot be listed. A file system without attributes has none.
template <class List> bool AttributeNames(std::vector<char>& names, const List& list)
{
    if (QueryInto(names, list))
        return true;
    names.clear();
    return errno == ENOTSUP;
}

template <class Each> void ForEachName(const std::vector<char>& names, const Each& each)
{
    for (std::size_t at = 0; at < names.size();) {
        const std::string_view name(names.data() + at);
        at += name.size() + 1;
        each(name);
    }
}

bool Contains(const std::vector<char>& names, std::string_view wanted)
{
    bool found = false;
    ForEachName(names, [&](std::string_view name) { found = found || name == wanted; });
    return found;
}

} // namespace

bool MatchExtendedAttributes(const std::string& from, int to)
{
    std::vector<char> kept;
    std::vector<char> present;
    if (!AttributeNames(
            kept,
            [&](char* data, std::size_t size) { return ::listxattr(from.c_str(), data, size); }) ||
        !AttributeNames(present,
                        [&](char* data, std::size_t size) { return ::flistxattr(to, data, size); }))
        return false;
    bool matched = true;
    ForEachName(present, [&](std::string_view name) {
        if (matched && !Contains(kept, name))
            matched = ::fremovexattr(to, name.data()) == 0 || errno == ENODATA;
    });
    std::vector<char> value;
    ForEachName(kept, [&](std::string_view name) {
        matched = matched &&
                  QueryInto(value,
                            [&](char* data, std::size_t size) {
                                return ::getxattr(from.c_str(), name.data(), data, size);
                            }) &&
                  Sys().fsetxattr(to, name.data(), value.data(), value.size(), 0) == 0;
    });
    return matched;
}

} // namespace quorva
