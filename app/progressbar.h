// The progress bar at the top of the frame area: visible while a preview
// plays or an import runs.
#pragma once

#include "app/window.h"

#include <commctrl.h>

#include <cstdint>

class progressbar : public window {
public:
    explicit progressbar(window& parent) : window(&parent) {}

    void show() { ShowWindow(hwnd, SW_SHOW); }
    void hide() { ShowWindow(hwnd, SW_HIDE); }
    // The range is 0 ... maximum.
    void setRange(uint32_t maximum) { SendMessageW(hwnd, PBM_SETRANGE32, 0, maximum); }
    void setPosition(uint32_t position) { SendMessageW(hwnd, PBM_SETPOS, position, 0); }
};
