// Which command a key runs. A character entry matches only a typed character
// (a character message), a virtual-key entry only a key going down, each with
// exactly the Alt state it names: so a key whose code happens to equal a
// character (the numeric keypad's "." is 0x6E, "n") runs nothing.
#pragma once

#include <cstddef>
#include <cstdint>

// One entry of an accelerator table, with the flags as the resource has them.
struct accelerator {
    uint8_t flags;
    uint16_t key;
    uint16_t command;
};

constexpr uint8_t acceleratorVirtualKey = 0x01;
constexpr uint8_t acceleratorShift = 0x04;
constexpr uint8_t acceleratorControl = 0x08;
constexpr uint8_t acceleratorAlt = 0x10;

enum class keykind { character, keyDown, other };

// A key message: a typed character, or a key going down, the modifier keys
// held with it, and whether the window it is for is minimised.
struct keyevent {
    keykind kind;
    uint16_t code;  // the character, or the virtual key
    bool alt;
    bool control;
    bool shift;
    bool minimized;
};

// The command of the first entry that matches; 0 when none does, and for a
// minimised window, which the system's own translation sends no command.
uint16_t commandFor(const accelerator* table, size_t count, const keyevent& key);
