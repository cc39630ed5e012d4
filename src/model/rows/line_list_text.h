#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/rows/line_list.h"

namespace quorva {

// The text of a line list as a row-list file holds it, each line followed by
// CR LF, made a piece at a time: the lines the list renders from their rows
// are rendered here in blocks, straight into the piece, so that writing a
// long list costs little more than writing its bytes.
class TLineListText {
public:
    explicit TLineListText(const TLineList& lines) : lines_(lines) {}

    // The whole text's size.
    std::uint64_t Bytes() const;
    // Appends the next lines to `out` until it holds at least `bytes` or the
    // lines run out; returns whether lines are left.
    bool Fill(std::string& out, std::size_t bytes);

private:
    // Renders rows from next_ up to `end`, where no line is stored.
    void RenderRows(std::string& out, std::size_t bytes, std::size_t end);

    const TLineList& lines_;
    std::size_t next_ = 0;   // the next line to give
    std::size_t stored_ = 0; // the next stored line at or after it
};

} // namespace quorva
