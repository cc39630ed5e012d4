#pragma once

#include <QString>
#include <exception>
#include <string>

namespace quorva {

// The text of a failure as the report shows it: the message with a full stop
// appended when its last character's code is above that of '.', so a message
// already ending in '.', a space, a control character or punctuation such as
// ')' is left alone.
std::string FailureText(const std::string& message);

// What the report says of a failure: its message, and for memory that ran
// out where no operation said what it was doing, a sentence a user can read
// instead of the library's "std::bad_alloc".
std::string FailureMessage(const std::exception& failure);

// The top-level error report: cancels any mouse capture, then shows the
// failure in a critical message box captioned with the application title,
// modal to the whole program, and returns when the user has closed it.
void ReportFailure(const std::string& message, const QString& applicationTitle);

} // namespace quorva
