#pragma once

#include <windows.h>

inline void setClientSize(HWND handle, int width, int height) {
    for (int attempt = 0; attempt < 3; ++attempt) {  // the menu bar may wrap at a new width
        RECT outer = {}, client = {};
        GetWindowRect(handle, &outer);
        GetClientRect(handle, &client);
        if (client.right == width && client.bottom == height) return;
        SetWindowPos(handle, nullptr, 0, 0, outer.right - outer.left + width - client.right,
                     outer.bottom - outer.top + height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}
