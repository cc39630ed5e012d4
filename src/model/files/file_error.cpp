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

std::string FileMessage(const char* action, const std::string& fileName, int errorCode)
{
    return std::string("Cannot ") + action + " file " + QuotedName(AbsolutePath(fileName)) + ". " +
           SystemErrorText(errorCode);
}

} // namespace

std::string CannotCreateFileMessage(const std::string& fileName, int errorCode)
{
    return FileMessage("create", fileName, errorCode);
}

std::string CannotOpenFileMessage(const std::string& fileName, int errorCode)
{
    return FileMessage("open", fileName, errorCode);
}

void CheckFileIsThere(const std::string& fileName)
{
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0)
        throw Error(CannotOpenFileMessage(fileName, errno));
}

std::string NamedFileMessage(const std::string& fileName, int errorCode)
{
    return fileName + ": " + SystemErrorText(errorCode);
}

std::string StreamWriteErrorText(int errorCode)
{
    std::string text = StreamWriteErrorMessage;
    if (errorCode != 0)
        text += ". " + SystemErrorText(errorCode);
    return text;
}

std::string SystemErrorText(int errorCode)
{
    std::string text = std::strerror(errorCode);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) < 33 || text.back() == '.'))
        text.pop_back();
    return text;
}

} // namespace quorva
