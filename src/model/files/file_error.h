#pragma once

#include <string>

namespace quorva {

// "Cannot create file "<absolute name>". <system text>"
std::string CannotCreateFileMessage(const std::string& fileName, int errorCode);
// "Cannot open file "<absolute name>". <system text>"
std::string CannotOpenFileMessage(const std::string& fileName, int errorCode);
// Raises CannotOpenFileMessage when nothing can be reached at the name, as
// for a file that has been moved or deleted since it was named.
void CheckFileIsThere(const std::string& fileName);
// "Cannot create folder "<absolute name>". <system text>"
std::string CannotCreateFolderMessage(const std::string& folder, int errorCode);
// "Cannot open folder "<absolute name>". <system text>"
std::string CannotOpenFolderMessage(const std::string& folder, int errorCode);
// ""<name>": <system text>", the name as given, as command-line tools say it.
std::string NamedFileMessage(const std::string& fileName, int errorCode);

inline constexpr const char* StreamWriteErrorMessage = "Stream write error";
// "Stream write error. <system text>", or the lead alone for no error code.
std::string StreamWriteErrorText(int errorCode);
// Raises WriteFailed with StreamWriteErrorText.
[[noreturn]] void ThrowStreamWriteError(int errorCode);

// The system's text for an error code, without trailing full stops, spaces
// or control characters.
std::string SystemErrorText(int errorCode);

} // namespace quorva
