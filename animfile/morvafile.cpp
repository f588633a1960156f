#include "animfile/morvafile.h"

#include "codec/frameinfo.h"

#include <algorithm>
#include <new>
#include <string>

namespace {
constexpr outcome damaged{failure::notAnimation, 0};
}

outcome morvafile::open(const char16_t* name) {
    morvafile::close();
    path.assign(name);
    handle = openExistingFile(name, fileaccess::readWrite, fileshare::read, fileRandomAccess);
    // The reader never writes: a read-only file opens for reading.
    if (!handle.isOpen())
        handle = openExistingFile(name, fileaccess::read, fileshare::read, fileRandomAccess);
    if (!handle.isOpen()) return {failure::cannotOpen, fileError()};

    uint8_t bytes[fileHeaderSize];
    if (handle.readAt(0, bytes, fileHeaderSize) < fileHeaderSize) return damaged;
    header = decodeHeader(bytes);
    if (header.magic != morvaMagic) return damaged;
    if (frameTooLarge(header.width, header.height)) return damaged;  // no engine would draw it

    return readIndex(handle.size());
}

// The index must lie inside the file (and below 4 GiB, where every offset
// points), and no entry may be larger than the file: so a damaged count or
// size fails here instead of asking for more memory than the file's size.
// A sound file that memory cannot hold is not called damaged.
outcome morvafile::readIndex(uint64_t fileLength) {
    const outcome noMemory{failure::cannotOpen, noMemoryError()};
    const uint32_t count = header.frameCount;
    const uint64_t indexEnd = payloadAreaStart(count);
    if (indexEnd > fileLength || indexEnd > UINT32_MAX) return damaged;

    const uint32_t indexBytes = count * indexEntrySize;
    index.reset(new (std::nothrow) uint8_t[indexBytes]);
    if (!index) return noMemory;
    uint32_t largest = 0;
    outcome result = damaged;
    if (handle.readAt(fileHeaderSize, index.get(), indexBytes) == indexBytes) {
        for (uint32_t i = 0; i < count; ++i) largest = std::max(largest, entry(i).size);
        if (largest <= fileLength) result = reservePayload(largest) ? outcome{} : noMemory;
    }
    if (!result.ok()) index.reset();
    return result;
}

bool morvafile::reservePayload(uint32_t size) {
    if (payload && size <= payloadCapacity) return true;
    // Never a null buffer (new[0] gives one too), so that an empty payload is handed
    // over as any other.
    uint8_t* grown = new (std::nothrow) uint8_t[size];
    if (!grown) return false;
    payload.reset(grown);
    payloadCapacity = size;
    return true;
}

frameimage* morvafile::readFrame(gengine& engine, filehandle& file, const indexentry& entry,
                                 const fileheader& format) {
    const framepayload read = readEntry(file, entry);
    if (!read.bytes) return nullptr;
    return engine.createFrame(read.bytes, read.size, format.width, format.height, format.bits);
}

framepayload morvafile::readEntry(filehandle& file, const indexentry& entry) {
    if (!reservePayload(entry.size)) return {};
    // A payload cut short (the file ends early, a read fails) is never handed
    // over: the caller goes on without this frame, as for any missing one.
    // Positions are 64-bit, so offset + size cannot wrap.
    if (file.readAt(entry.offset, payload.get(), entry.size) < entry.size) return {};
    return {payload.get(), entry.size};
}

framepayload morvafile::readPayload(uint32_t number) {
    return holds(number) ? readEntry(handle, entry(number)) : framepayload{};
}

indexentry morvafile::entry(uint32_t number) const {
    return index && number < header.frameCount
               ? decodeEntry(index.get() + uint64_t(number) * indexEntrySize)
               : indexentry{0, 0};
}

frameimage* morvafile::makeFrame(gengine& engine, uint32_t number) {
    return holds(number) ? readFrame(engine, handle, entry(number), header) : nullptr;
}

uint32_t morvafile::frameCount() const { return header.frameCount; }

void morvafile::close() {
    handle.close();
    index.reset();
}

const char16_t* morvafile::openPath() const { return handle.isOpen() ? path.data : nullptr; }

outcome morvafile::reopen() {
    const std::u16string again(path.data);  // open assigns the path it is given
    return open(again.c_str());
}
