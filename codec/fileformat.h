// The records of an animation file (.mrv) and their little-endian byte form:
// a 20-byte header, an index of 8-byte entries, then the payloads back to back.
#pragma once

#include "codec/bytes.h"

#include <cstdint>

constexpr uint32_t morvaMagic = 0x76526F4D;  // the bytes "MoRv" read as a little-endian word
constexpr uint32_t fileHeaderSize = 20;
constexpr uint32_t indexEntrySize = 8;
constexpr uint32_t payloadBits = 8;  // what every written file says, whatever the data depth

struct fileheader {
    uint32_t magic;
    uint32_t frameCount;
    int32_t width;
    int32_t height;  // positive: rows run bottom-up
    uint32_t bits;
};

// `offset` counts from the first byte of the file; `size` may be 0.
struct indexentry {
    uint32_t offset;
    uint32_t size;
};

// Where the payload area of a file with `frameCount` frames begins.
constexpr uint64_t payloadAreaStart(uint64_t frameCount) {
    return fileHeaderSize + indexEntrySize * frameCount;
}

inline fileheader decodeHeader(const uint8_t* bytes) {
    return {loadLittle32(bytes), loadLittle32(bytes + 4), int32_t(loadLittle32(bytes + 8)),
            int32_t(loadLittle32(bytes + 12)), loadLittle32(bytes + 16)};
}

inline void encodeHeader(const fileheader& header, uint8_t* bytes) {
    storeLittle32(header.magic, bytes);
    storeLittle32(header.frameCount, bytes + 4);
    storeLittle32(uint32_t(header.width), bytes + 8);
    storeLittle32(uint32_t(header.height), bytes + 12);
    storeLittle32(header.bits, bytes + 16);
}

inline indexentry decodeEntry(const uint8_t* bytes) {
    return {loadLittle32(bytes), loadLittle32(bytes + 4)};
}

inline void encodeEntry(const indexentry& entry, uint8_t* bytes) {
    storeLittle32(entry.offset, bytes);
    storeLittle32(entry.size, bytes + 4);
}
