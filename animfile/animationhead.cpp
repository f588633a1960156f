#include "animfile/animationhead.h"

bool writeHead(filehandle& file, uint32_t count, int32_t width, int32_t height,
               const indexentry* entries, uint8_t* buffer) {
    const uint32_t base = uint32_t(payloadAreaStart(count));
    encodeHeader({morvaMagic, count, width, height, payloadBits}, buffer);
    for (uint32_t i = 0; i < count; ++i)
        encodeEntry({entries[i].offset + base, entries[i].size},
                    buffer + fileHeaderSize + uint64_t(i) * indexEntrySize);
    return file.writeAt(0, buffer, base) == base;
}
