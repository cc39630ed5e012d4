#include "support/write_operations.h"

#include <cctype>
#include <filesystem>
#include <ostream>

#include "model/base/error.h"
#include "model/rows/row_list_file.h"
#include "support/crlf_text.h"
#include "support/reference_triangle.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#include "triangle/triangle_csv.h"

namespace quorva::test {

const TWriteOperation SaveOperation{
    "Save", [](const TWindowState& s, const std::string& f) { SaveRowListFile(s.lines, f); },
    [](const TWindowState& s) { return JoinWithCrLf(s.lines.Lines()); }};

const TWriteOperation StartOperation{
    "Start",
    [](const TWindowState& s, const std::string& f) {
        ExportTriangleCsv(s.rows, ExportedColumn, f);
    },
    [](const TWindowState& s) {
        return JoinWithCrLf(TriangleToCsvLines(BuildDiffTriangle(s.rows, ExportedColumn)));
    }};

void PrintTo(const TWriteOperation& operation, std::ostream* out)
{
    *out << operation.name;
}

void RunKeepingState(const TWriteOperation& operation, const TWindowState& state,
                     const std::string& target)
{
    const TWindowState before = state;
    try {
        operation.run(state, target);
    } catch (const Error&) {
        if (!state.SameAs(before))
            throw Error("the window's state changed");
        throw;
    }
}

std::string RunCollectingMessage(const TWriteOperation& operation, const TWindowState& state,
                                 const std::string& target, std::optional<long> fileSizeLimit,
                                 bool unprivileged)
{
    auto action = [&] { RunKeepingState(operation, state, target); };
    if (fileSizeLimit)
        return RunWithFileSizeLimit(*fileSizeLimit, action);
    if (unprivileged)
        return RunUnprivileged(action);
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

std::string MakeHardLinkedFile(const TTempDir& dir, const std::string& name,
                               const std::string& otherName, const std::string& bytes)
{
    WriteBytes(dir.File(name), bytes);
    std::filesystem::create_hard_link(dir.File(name), dir.File(otherName));
    return dir.File(name);
}

std::string TestName(const std::string& prefix, const std::string& words)
{
    std::string name = prefix;
    bool upper = true;
    for (char c : words) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return name;
}

} // namespace quorva::test
