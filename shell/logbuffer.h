// The bounded text of the status log: lines separated by CR LF in storage of
// 8192 characters. When a new line does not fit, the oldest lines make room,
// so that about half of the storage holds the most recent lines.
#pragma once

#include <cstdint>

class logbuffer {
public:
    static constexpr int32_t capacity = 8192;
    // A longer line could not fit beside the half of the log that trimming
    // keeps.
    static constexpr int32_t maxLineLength = 4094;

    // Appends exactly n characters of `text` (which need not be terminated)
    // as a new line. More than maxLineLength characters is a caller's error
    // and ends the process.
    void appendLine(const char16_t* text, int32_t n);
    // Takes back the most recent line with the separator before it. Does
    // nothing when the log holds a single line or the line is already gone.
    void removeLastLine();
    // The whole log, terminated: what the edit box shows.
    const char16_t* text() const { return data + start; }

    char16_t data[capacity] = {};
    int32_t visible = 0;        // end - start
    int32_t start = 0;          // the first character of the log
    int32_t end = 0;            // the terminator
    int32_t lastLineStart = 0;  // end before the latest line and its separator

private:
    void dropOldestLines(int32_t n);
};
