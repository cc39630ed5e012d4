#pragma once

#include <optional>
#include <string>

class QMimeData;

namespace quorva {

// The row-list file a drag brings: exactly one local file whose name ends in
// ".tir" (any letter case), in the file system's encoding; nothing for
// anything else, so that the window refuses the drop before it happens.
std::optional<std::string> DroppedRowListFile(const QMimeData& data);

} // namespace quorva
