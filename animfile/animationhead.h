// The one writer of an animation file's header and index, for the program's
// save and morvacli's pack alike, and the one limit both keep.
#pragma once

#include "codec/fileformat.h"
#include "platform/file.h"

#include <cstdint>

// The most frames a file holds.
constexpr uint32_t maxAnimationFrames = 65535;

// The most payload bytes a file holds: even behind a full index, every offset
// fits 32 bits. One limit whatever the count, so that a file either writer
// makes is one the other could have made.
constexpr uint64_t maxPayloadLength = UINT32_MAX - payloadAreaStart(maxAnimationFrames);

// Whether a payload of `size` bytes may follow `length` bytes of payloads.
inline bool payloadFits(uint64_t length, uint32_t size) {
    return length + size <= maxPayloadLength;
}

// Writes at the file's start the header of `count` frames of width x height
// and their index. `entries` place each payload within the payload area,
// which follows the index; `buffer` holds payloadAreaStart(count) bytes.
// False when the write falls short.
bool writeHead(filehandle& file, uint32_t count, int32_t width, int32_t height,
               const indexentry* entries, uint8_t* buffer);
