// An engine that only records what it is asked to make, for the frame
// sources' tests: createFrame keeps its arguments and a copy of the payload.
#pragma once

#include "tests/engines/idleengine.h"

#include <cstdint>
#include <vector>

struct createcall {
    std::vector<uint8_t> payload;
    const uint8_t* address;
    uint32_t size;
    int32_t width;
    int32_t height;
    uint32_t bits;
};

class recordingengine : public idleengine {
public:
    std::vector<createcall> calls;

    // What createFrame gives for 8-bit payloads: a token never dereferenced.
    frameimage* image() { return reinterpret_cast<frameimage*>(&token); }

    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t width, int32_t height,
                            uint32_t bits) override {
        calls.push_back({std::vector<uint8_t>(payload, payload + size), payload, size, width,
                         height, bits});
        return bits == 8 ? image() : nullptr;
    }

private:
    char token = 0;
};
