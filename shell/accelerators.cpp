#include "shell/accelerators.h"

namespace {

bool has(const accelerator& entry, uint8_t flag) { return (entry.flags & flag) != 0; }

bool matches(const accelerator& entry, const keyevent& key) {
    if (entry.key != key.code || has(entry, acceleratorAlt) != key.alt) return false;
    if (key.kind == keykind::character) return !has(entry, acceleratorVirtualKey);
    // A virtual key names every modifier it needs; a character carries Shift
    // and Control in itself.
    return key.kind == keykind::keyDown && has(entry, acceleratorVirtualKey) &&
           has(entry, acceleratorControl) == key.control &&
           has(entry, acceleratorShift) == key.shift;
}

}  // namespace

uint16_t commandFor(const accelerator* table, size_t count, const keyevent& key) {
    if (key.minimized) return 0;
    for (size_t i = 0; i < count; ++i)
        if (matches(table[i], key)) return table[i].command;
    return 0;
}
