#include "shell/logbuffer.h"

#include "text/fatal.h"

#include <algorithm>

namespace {

constexpr char16_t cr = 13;
constexpr char16_t lf = 10;
constexpr int32_t separatorLength = 2;
// What trimming aims to leave for the kept lines and the new one together.
constexpr int32_t keptLength = 4096;

bool isLineBreak(char16_t c) { return c == cr || c == lf; }

}  // namespace

void logbuffer::appendLine(const char16_t* text, int32_t n) {
    if (n < 0 || n > maxLineLength) fatal();
    // Trimming leaves at most keptLength - n characters, so the separator,
    // the line and the terminator then fit with room to spare.
    if (end + separatorLength + n + 1 >= capacity) dropOldestLines(n);
    lastLineStart = end;
    if (start != end) {
        data[end++] = cr;
        data[end++] = lf;
    }
    std::copy_n(text, n, data + end);
    end += n;
    visible = end - start;
    data[end] = 0;
}

void logbuffer::removeLastLine() {
    if (start < lastLineStart && lastLineStart < end) {
        end = lastLineStart;
        visible = end - start;
        data[end] = 0;
    }
}

// Drops everything before the first complete line that starts at or after
// end + n - keptLength; a single line longer than that goes entirely.
void logbuffer::dropOldestLines(int32_t n) {
    int32_t cut = end + n - keptLength;
    while (cut < end && !isLineBreak(data[cut])) ++cut;
    while (cut < end && isLineBreak(data[cut])) ++cut;
    std::copy(data + cut, data + end, data);
    end -= cut;
    start = 0;  // appendLine, the one caller, sets what is visible and the terminator
}
