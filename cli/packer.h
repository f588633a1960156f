// The frame pass of pack: every picture of a counted series read and encoded
// on all cores (fewer for large pictures), a few pictures ahead of the
// writer, and the payloads written in order straight to their final offsets;
// then header and index. Memory stays the same whatever the length of the
// series, and each worker has its buffers before it takes a picture.
#pragma once

#include "cli/progress.h"
#include "platform/file.h"

#include <cstdint>
#include <string>

struct packjob {
    std::u16string picture;  // the chosen picture, split as the import splits it
    uint32_t fileOffset;
    uint32_t extensionOffset;
    uint32_t total;  // as counted, with picture 0's size
    int32_t width;
    int32_t height;
    uint32_t depth;
    std::string output;  // the file's name in messages
};

// Writes the animation file to `file`. Empty when it is whole, otherwise the
// line that says why not: a picture that cannot be opened or encoded, in the
// import's words, or the system's words for a failed write.
std::string packFrames(const packjob& job, filehandle& file, progressbar& progress);
