#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/base/progress.h"
#include "model/base/text_span.h"

namespace quorva {

// Whole files of 8-bit lines, moved byte for byte.
//
// Writing puts CR LF after every line, the last one included. Reading accepts
// CR LF, a lone LF and a lone CR as one line end each (so LF CR and CR CR LF
// are two), keeps a last line without a line end, adds no empty line after a
// final line end, and stops at the first NUL byte.

// Writes the lines as the new contents of `fileName`. The previous contents
// are replaced only once the whole text is safely on disk (see
// TAtomicFileWriter). Raises Error on failure, "Not enough memory to save the
// file." when memory runs out. Reports progress in bytes written; when it
// says stop, raises Cancelled with the target as it was.
void SaveLinesToFile(const std::vector<std::string>& lines, const std::string& fileName,
                     TProgress& progress = NoProgress());

// The same for lines kept elsewhere: `lineAt(i)` gives line i of `count`.
using LineAtFn = std::function<std::string_view(std::size_t index)>;
void SaveLinesToFile(std::size_t count, const LineAtFn& lineAt, const std::string& fileName,
                     TProgress& progress = NoProgress());

// The same for a text made a piece at a time: `fill(out)` appends the next
// whole lines, each with its CR LF, to the empty `out`, about WriteChunkSize
// bytes of them, and returns false once there are no more. `bytes` is the
// whole text's size.
using FillTextFn = std::function<bool(std::string& out)>;
void SaveTextToFile(std::uint64_t bytes, const FillTextFn& fill, const std::string& fileName,
                    TProgress& progress = NoProgress());

inline constexpr const char* SaveOutOfMemoryMessage = "Not enough memory to save the file.";

// Whether `c` ends a line: CR or LF.
bool IsLineEnd(char c);

// How many lines the line rules above find in `text`, counted without storing them,
// so that whatever holds the lines can be allocated once and exactly.
std::size_t CountLines(std::string_view text);

// The lines of a text one by one, as the line rules above find them, for callers
// that work on each line while its bytes are still in the cache.
class TLineScanner {
public:
    explicit TLineScanner(std::string_view text);
    // The next line's place in the text; false once the text is used up.
    bool Next(TTextSpan& line);

    // What is left of the text, from the start of the next line, and where
    // that is in the text: a caller that recognises a common kind of line
    // faster than Next can take it itself and Skip its bytes.
    std::string_view Rest() const { return {next_, static_cast<std::size_t>(end_ - next_)}; }
    std::size_t Offset() const { return static_cast<std::size_t>(next_ - begin_); }
    // Passes over the first `bytes` of Rest(), which must be whole lines with
    // their line ends.
    void Skip(std::size_t bytes) { next_ += bytes; }

private:
    const char* begin_;
    const char* end_;
    const char* next_;
};

// Lines are handed over in pieces of about this size, so that a large text is
// never held twice in memory.
inline constexpr std::size_t WriteChunkSize = 1 << 20;

} // namespace quorva
