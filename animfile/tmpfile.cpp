#include "animfile/tmpfile.h"

#include <algorithm>
#include <new>

namespace {

constexpr uint32_t copyBufferSize = 1 << 20;
static_assert(payloadAreaStart(TMPfile::maxFrames) <= copyBufferSize,
              "header and a full index go out in one write");

// Taken right after the failing call, before clean-up can change it.
outcome writeFailure() { return {failure::cannotWrite, fileError()}; }

constexpr outcome success{};
constexpr outcome shortFailure{failure::cannotWrite, 0};

std::u16string folderFor(const char16_t* target) {
    std::u16string folder = folderOf(target);
    return folder.empty() ? u"./" : folder;
}

}  // namespace

outcome TMPfile::openTempFile() {
    if (tempHandle.isOpen()) return success;
    const std::u16string folder = temporaryFolder();
    const std::u16string name = folder.empty() ? folder : makeUniqueFile(folder, u"MRV");
    if (name.empty()) return {failure::temporaryFile, fileError()};
    tempHandle = createFile(name.c_str(), fileshare::none, fileTemporary);
    if (!tempHandle.isOpen()) {
        const outcome result{failure::temporaryFile, fileError()};
        removeFile(name.c_str());
        return result;
    }
    tempName.assign(name.c_str());
    return success;
}

void TMPfile::setFrameSize(int32_t width, int32_t height) {
    storeHeader.width = width;
    storeHeader.height = height;
}

uint32_t TMPfile::payloadLength() const {
    const uint32_t count = storeHeader.frameCount;
    return count == 0 ? 0 : storeIndex[count - 1].offset + storeIndex[count - 1].size;
}

bool TMPfile::appendFrame(const uint8_t* bytes, uint32_t size) {
    const uint32_t count = storeHeader.frameCount;
    const uint32_t offset = payloadLength();
    if (count == maxFrames || !payloadFits(offset, size)) return false;
    if (size > 0 && (!tempHandle.isOpen() || tempHandle.writeAt(offset, bytes, size) < size))
        return false;
    storeIndex[count] = {offset, size};
    storeHeader.frameCount = count + 1;
    return true;
}

outcome TMPfile::save(const char16_t* target) {
    const std::u16string partial = makeUniqueFile(folderFor(target), u"MRV");
    if (partial.empty()) return writeFailure();
    outcome result = writeAnimation(partial.c_str());
    if (result.ok() && !replaceFile(partial.c_str(), target)) result = writeFailure();
    if (!result.ok()) removeFile(partial.c_str());
    return result;
}

// The file is flushed and closed on return, ready to take the target's place.
outcome TMPfile::writeAnimation(const char16_t* name) {
    filehandle file = createFile(name, fileshare::none);
    if (!file.isOpen()) return writeFailure();
    const outcome result = copyInto(file);
    if (result.ok() && !file.flush()) return writeFailure();
    return result;
}

// Header, the index with absolute offsets, then the temporary file's payload
// area unchanged, in passes of the copy buffer.
outcome TMPfile::copyInto(filehandle& file) {
    const uint32_t count = storeHeader.frameCount;
    const uint32_t base = uint32_t(payloadAreaStart(count));
    const uint32_t length = payloadLength();
    if (tempHandle.size() < length) return shortFailure;  // none open: 0
    if (!reserveCopyBuffer()) return {failure::cannotWrite, noMemoryError()};

    uint8_t* bytes = copyBuffer.get();
    if (!writeHead(file, count, storeHeader.width, storeHeader.height, storeIndex.data(), bytes))
        return writeFailure();

    for (uint32_t copied = 0; copied < length;) {
        const uint32_t pass = std::min(copyCapacity, length - copied);
        if (tempHandle.readAt(copied, bytes, pass) < pass) return writeFailure();
        if (file.writeAt(uint64_t(base) + copied, bytes, pass) < pass) return writeFailure();
        copied += pass;
    }
    return success;
}

// One buffer for every save: allocated by the first and kept.
bool TMPfile::reserveCopyBuffer() {
    if (copyBuffer) return true;
    copyBuffer.reset(new (std::nothrow) uint8_t[copyBufferSize]);
    copyCapacity = copyBuffer ? copyBufferSize : 0;
    return copyBuffer != nullptr;
}

frameimage* TMPfile::makeFrame(gengine& engine, uint32_t number) {
    if (!tempHandle.isOpen() || number >= storeHeader.frameCount) return nullptr;
    return readFrame(engine, tempHandle, storeIndex[number], storeHeader);
}

uint32_t TMPfile::frameCount() const { return storeHeader.frameCount; }

void TMPfile::close() {
    tempHandle.close();
    if (tempName.length > 0) removeFile(tempName.data);
    tempName.assign(u"");
    storeHeader.frameCount = 0;
}
