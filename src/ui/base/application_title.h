#pragma once

#include <QString>

namespace quorva {

// The program's title, made from the executable's path: the last path
// component, cut at its first '.', with every character after the first in
// lower case ("/opt/bin/PROG.EXE" gives "Prog"). It captions the top-level
// error report; the main window keeps its own caption.
QString ApplicationTitle(const QString& executablePath);

} // namespace quorva
