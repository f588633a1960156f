// The frame source for an animation file on disk. The file stays open while in
// use (others may read it, not write it); the header and the whole index are
// read once, and every payload is read into one buffer that is reused.
#pragma once

#include "animfile/outcome.h"
#include "codec/fileformat.h"
#include "codec/gengine.h"
#include "platform/file.h"
#include "text/wtext.h"

#include <cstdint>
#include <memory>

// A payload as read: `bytes` null when it could not be read whole.
struct framepayload {
    const uint8_t* bytes = nullptr;
    uint32_t size = 0;
};

class morvafile {
public:
    // Reads header and index of `name`. cannotOpen (with the system's code)
    // when the file cannot be opened for reading and writing, nor for
    // reading; notAnimation when it is no animation file, claims frames larger
    // than any engine draws, or claims more bytes (index or a payload) than it
    // holds: nothing larger than the file is ever allocated. cannotOpen with
    // the system's out-of-memory code when the index or the payload buffer
    // cannot be had. After a failure there is no index and so no frame.
    outcome open(const char16_t* name);

    // Frame `number` made into a frame image by `engine`; none when there is
    // no such frame or its payload cannot be read whole. The image may refer
    // to the payload buffer: it is valid until the next makeFrame here.
    virtual frameimage* makeFrame(gengine& engine, uint32_t number);
    // As the header says, also after close or a failed open (0 when no
    // header was read).
    virtual uint32_t frameCount() const;
    // Releases the file and the index; path, header and buffer stay.
    virtual void close();

    // The path while the file is held, otherwise null.
    const char16_t* openPath() const;
    // Opens the file of the last open again, as open does: after a close.
    outcome reopen();

    // The header of the file read by open; all zero before any was read.
    const fileheader& fileHeader() const { return header; }
    // Entry `number` of the index; offset and size 0 when there is no such entry.
    indexentry entry(uint32_t number) const;
    // Frame `number`'s payload read whole into the payload buffer; no bytes
    // when there is no such frame or it cannot be read whole. The bytes stay
    // until the next read here.
    framepayload readPayload(uint32_t number);
    // The payload buffer's size: the largest payload of a file read, never
    // more than that file holds.
    uint32_t payloadBufferSize() const { return payloadCapacity; }

protected:
    // Reads `entry` from `file` into the payload buffer and hands it over
    // with the frame size and bits of `format`.
    frameimage* readFrame(gengine& engine, filehandle& file, const indexentry& entry,
                          const fileheader& format);
    framepayload readEntry(filehandle& file, const indexentry& entry);

private:
    // An index is held only while its file is open.
    bool holds(uint32_t number) const { return index && number < header.frameCount; }
    outcome readIndex(uint64_t fileLength);
    bool reservePayload(uint32_t size);

    wtext path{256};
    filehandle handle;
    fileheader header{};
    std::unique_ptr<uint8_t[]> index;  // header.frameCount entries as stored, or null
    std::unique_ptr<uint8_t[]> payload;
    uint32_t payloadCapacity = 0;
};
