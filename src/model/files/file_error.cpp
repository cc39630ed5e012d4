#include "model/files/file_error.h"

#include "model/files/file_path.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "model/base/error.h"
#include "model/base/shown_name.h"

namespace quorva {
namespace {

std::string CannotMessage(const char* action, const char* what, const std::string& name,
                          int errorCode)
{
    return std::string("Cannot ") + action + " " + what + " " + QuotedName(AbsolutePath(name)) +
           ". " + SystemErrorText(errorCode);
}

} // namespace

std::string CannotCreateFileMessage(const std::string& fileName, int errorCode)
{
    return CannotMessage("create", "file", fileName, errorCode);
}

std::string CannotOpenFileMessage(const std::string& fileName, int errorCode)
{
    return CannotMessage("open", "file", fileName, errorCode);
}

std::string CannotCreateFolderMessage(const std::string& folder, int errorCode)
{
    return CannotMessage("create", "folder", folder, errorCode);
}

std::string CannotOpenFolderMessage(const std::string& folder, int errorCode)
{
    return CannotMessage("open", "folder", folder, errorCode);
}

void CheckFileIsThere(const std::string& fileName)
{
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0)
        throw Error(CannotOpenFileMessage(fileName, errno));
}

std::string NamedFileMessage(const std::string& fileName, int errorCode)
{
    return QuotedName(fileName) + ": " + SystemErrorText(errorCode);
}

std::string StreamWriteErrorText(int errorCode)
{
    std::string text = StreamWriteErrorMessage;
    if (errorCode != 0)
        text += ". " + SystemErrorText(errorCode);
    return text;
}

void ThrowStreamWriteError(int errorCode)
{
    throw WriteFailed(StreamWriteErrorText(errorCode), errorCode);
}

std::string SystemErrorText(int errorCode)
{
    std::string text = std::strerror(errorCode);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) < 33 || text.back() == '.'))
        text.pop_back();
    return text;
}

} // namespace quorva
