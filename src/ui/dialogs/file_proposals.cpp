#include "ui/dialogs/file_proposals.h"

#include <filesystem>

#include "model/files/file_path.h"

namespace quorva {
namespace {

std::string NameOf(const std::string& fileName)
{
    return std::filesystem::path(fileName).filename().string();
}

} // namespace

std::string FolderOfFile(const std::string& fileName)
{
    if (fileName.empty())
        return {};
    const std::string folder = FolderOf(AbsolutePath(fileName));
    // A folder that has gone since is not offered: the dialog would show
    // nothing there.
    std::error_code error;
    return std::filesystem::is_directory(folder, error) ? folder : std::string();
}

TFileProposal RowListProposal(const std::string& rowsFile, const std::string& lastUsedFile)
{
    if (rowsFile.empty())
        return OpenProposal(lastUsedFile);
    return {FolderOfFile(rowsFile), NameOf(rowsFile)};
}

TFileProposal TriangleCsvProposal(const std::string& rowsFile, int column,
                                  const std::string& lastExported)
{
    const std::string name = "column" + std::to_string(column + 1) + ".csv";
    if (rowsFile.empty())
        return {FolderOfFile(lastExported), name};
    return {FolderOfFile(rowsFile), std::filesystem::path(rowsFile).stem().string() + "-" + name};
}

TFileProposal SpreadsheetProposal(const std::string& rowsFile, int column,
                                  const std::string& lastExported)
{
    TFileProposal proposal = TriangleCsvProposal(rowsFile, column, lastExported);
    proposal.name = std::filesystem::path(proposal.name).replace_extension(".xlsx").string();
    return proposal;
}

TFileProposal ViewImageProposal(const std::string& rowsFile, int column,
                                const std::string& lastExported)
{
    TFileProposal proposal = TriangleCsvProposal(rowsFile, column, lastExported);
    proposal.name = std::filesystem::path(proposal.name).replace_extension(".png").string();
    return proposal;
}

TFileProposal OpenProposal(const std::string& lastUsedFile)
{
    return {FolderOfFile(lastUsedFile), {}};
}

} // namespace quorva
