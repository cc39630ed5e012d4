#pragma once

#include <functional>
#include <string>

namespace quorva::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the folder, sorted.
    std::string Listing() const;

private:
    std::string path_;
};

// Points the program's state folder ($XDG_STATE_HOME) at the tests' own one
// for the user this process runs as: done at the start, and again by a child
// that becomes another user.
void UseStateFolderOfThisUser();

std::string ReadBytes(const std::string& fileName);
void WriteBytes(const std::string& fileName, const std::string& bytes);
bool Exists(const std::string& fileName);

// Runs `action` in a child process whose files may grow to at most `limit`
// bytes (with SIGXFSZ ignored, so writes past it fail instead of killing the
// process), and returns the message of the Error it raised, or "" when it
// succeeded. The limit applies to root too, unlike permissions.
std::string RunWithFileSizeLimit(long limit, const std::function<void()>& action);

// The same with the child's address space limited to `limit` bytes, so that
// a large allocation fails there. (AddressSanitizer needs far more address
// space than any useful limit: skip such tests in its build.)
std::string RunWithMemoryLimit(long limit, const std::function<void()>& action);

// The same with `headroom` bytes of address space beyond what the process
// already maps, for a test whose own fixtures hold much memory at the fork.
std::string RunWithMemoryHeadroom(long headroom, const std::function<void()>& action);

} // namespace quorva::test
