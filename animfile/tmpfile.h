// The frame store of a new animation. Each appended payload goes straight to
// a temporary file that only this store may open; header and index stay in
// memory, so any length of animation costs the same memory. `save` writes
// the store as an animation file; the store stays and may grow further.
// The index lives inside the object (about half a megabyte): make it on the heap.
#pragma once

#include "animfile/animationhead.h"
#include "animfile/morvafile.h"
#include "animfile/outcome.h"

#include <array>

class TMPfile : public morvafile {
public:
    static constexpr uint32_t maxFrames = maxAnimationFrames;

    // The temporary file goes with the store.
    ~TMPfile() { close(); }

    // Makes sure the temporary file exists and is open; temporaryFile with
    // the system's code when it cannot be made.
    outcome openTempFile();
    // The size of every frame of the store, those appended earlier included.
    void setFrameSize(int32_t width, int32_t height);
    // False, and nothing counted, when the payload cannot be written whole,
    // the store is full, or the saved file would reach 4 GiB.
    bool appendFrame(const uint8_t* bytes, uint32_t size);
    // Writes the store to a new file next to `target` and puts it in the
    // target's place in one step, so the target is either the old file or the
    // whole new one. On Windows a file held open without delete sharing (an
    // open morvafile) cannot be replaced: its owner closes it first. A
    // failure is cannotWrite with the system's code of the failed step (0
    // when it has none: no memory, the temporary file found short).
    outcome save(const char16_t* target);

    frameimage* makeFrame(gengine& engine, uint32_t number) override;
    uint32_t frameCount() const override;
    // Closes and removes the temporary file; its frames go with it.
    void close() override;

    // The reader's fileHeader, entry and readPayload see no file here: a
    // store answers through makeFrame, frameCount and these.
    int32_t frameWidth() const { return storeHeader.width; }
    int32_t frameHeight() const { return storeHeader.height; }
    // The temporary file's path; empty when there is none.
    const char16_t* temporaryPath() const { return tempName.data; }

private:
    uint32_t payloadLength() const;
    outcome writeAnimation(const char16_t* name);
    outcome copyInto(filehandle& file);
    bool reserveCopyBuffer();

    wtext tempName{256};
    filehandle tempHandle;
    fileheader storeHeader{morvaMagic, 0, 0, 0, payloadBits};
    std::array<indexentry, maxFrames> storeIndex;  // offsets count from the temporary file's start
    std::unique_ptr<uint8_t[]> copyBuffer;
    uint32_t copyCapacity = 0;
};
