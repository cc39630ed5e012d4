#pragma once

#include <QString>
#include <string_view>

namespace quorva {

// How 8-bit text from the core is shown: as UTF-8 when the bytes are valid
// UTF-8, otherwise byte for byte as Latin-1, so every byte stays visible and
// nothing is replaced. Only the display is converted; the bytes are kept.
QString DisplayText(std::string_view bytes);

} // namespace quorva
