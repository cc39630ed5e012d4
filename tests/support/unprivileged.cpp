#include "support/unprivileged.h"

#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace quorva::test {
namespace {

bool IsRoot()
{
    return ::geteuid() == 0;
}

const passwd* Nobody()
{
    return ::getpwnam("nobody");
}

void DropToNobody()
{
    const passwd* nobody = Nobody();
    if (!nobody || ::setgroups(0, nullptr) != 0 ||
        ::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) != 0 ||
        ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) != 0)
        throw std::runtime_error("cannot become nobody");
}

} // namespace

bool CanRunUnprivileged()
{
    return !IsRoot() || Nobody() != nullptr;
}

// Where there is no `nobody`, its usual ids: the cases that need it are
// skipped there, but their tables still name it.
constexpr unsigned UsualNobodyId = 65534;

unsigned UnprivilegedUid()
{
    if (!IsRoot())
        return ::geteuid();
    return Nobody() ? Nobody()->pw_uid : UsualNobodyId;
}

unsigned UnprivilegedGid()
{
    if (!IsRoot())
        return ::getegid();
    return Nobody() ? Nobody()->pw_gid : UsualNobodyId;
}

void HandToUnprivileged(const std::string& folder)
{
    if (!IsRoot())
        return;
    const uid_t uid = UnprivilegedUid();
    const gid_t gid = UnprivilegedGid();
    if (::lchown(folder.c_str(), uid, gid) != 0)
        throw std::runtime_error("cannot hand over " + folder);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (::lchown(entry.path().c_str(), uid, gid) != 0)
            throw std::runtime_error("cannot hand over " + entry.path().string());
}

void BecomeUnprivileged()
{
    if (IsRoot())
        DropToNobody();
    UseStateFolderOfThisUser();
}

std::string RunUnprivileged(const std::function<void()>& action)
{
    return MessageFromChild([&] {
        BecomeUnprivileged();
        action();
    });
}

} // namespace quorva::test
