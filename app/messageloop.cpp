#include "app/messageloop.h"

namespace {

// Alt+F4 comes as WM_SYSKEYDOWN with VK_F4, 0x73, which is also the code of
// "s": the translation takes a key-down with Alt for a character entry of the
// same code, and the Alt+"s" entry (Save) would swallow the system's Close.
bool isAltF4(const MSG& message)
{
    return message.message == WM_SYSKEYDOWN && message.wParam == VK_F4;
}

}  // namespace

void dispatchMessage(HACCEL accelerators, MSG& message)
{
    if (!isAltF4(message) && TranslateAcceleratorW(message.hwnd, accelerators, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}
