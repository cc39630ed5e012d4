#pragma once

#include <QString>
#include <QUrl>

#include <string>
#include <vector>

namespace quorva {

// File names are bytes; Qt holds them as text, and a name that is not UTF-8
// does not come back from text as it was (each stray byte becomes U+FFFD).
// The program keeps names as bytes from here on: this is the one place where
// Qt's text becomes a file name.

// The bytes of the file `name` shows. Where QFile::encodeName's bytes name
// nothing, each part of the path is looked up in its folder: the one entry
// that Qt shows as that text is the one meant (as a file dialog shows it).
std::string NativeFileName(const QString& name);

// The local file a dropped URL names, byte for byte: its path is percent-
// encoded, which keeps every byte.
std::string NativeFileName(const QUrl& url);

// The arguments as the parser reads them, in order, and `text`'s bytes as
// given: the first of `arguments` from `from` on that reads as `text`.
QString ArgumentText(const std::string& argument);
std::string ArgumentBytes(const QString& text, const std::vector<std::string>& arguments,
                          std::size_t& from);

} // namespace quorva
