#include "app/messageloop.h"

#include "win32/scopedwin.h"

namespace {

bool held(int key) { return GetKeyState(key) < 0; }

keykind kindOf(UINT message) {
    switch (message) {
    case WM_CHAR:
    case WM_SYSCHAR: return keykind::character;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return keykind::keyDown;
    }
    return keykind::other;
}

keyevent keyOf(const MSG& message) {
    const keykind kind = kindOf(message.message);
    // A character message says itself whether Alt was down (context code).
    const bool alt =
        kind == keykind::character ? (message.lParam & (LPARAM(1) << 29)) != 0 : held(VK_MENU);
    // Asked of the main window, also for a key addressed to one of its children.
    const bool minimized =
        kind != keykind::other && IsIconic(GetAncestor(message.hwnd, GA_ROOT)) != 0;
    return {kind, uint16_t(message.wParam), alt, held(VK_CONTROL), held(VK_SHIFT), minimized};
}

}  // namespace

std::vector<accelerator> loadKeyTable(HINSTANCE instance, int id) {
    // A copy of the resource's table, so that the entries can be read.
    const scopedaccelerators table(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(id)));
    const int count = table ? CopyAcceleratorTableW(table, nullptr, 0) : 0;
    std::vector<ACCEL> entries(size_t(count > 0 ? count : 0));
    if (count > 0) CopyAcceleratorTableW(table, entries.data(), count);
    std::vector<accelerator> keys;
    for (const ACCEL& entry : entries) keys.push_back({entry.fVirt, entry.key, entry.cmd});
    return keys;
}

void dispatchMessage(const std::vector<accelerator>& keys, MSG& message) {
    const keyevent key = keyOf(message);
    const uint16_t command =
        key.kind == keykind::other ? 0 : commandFor(keys.data(), keys.size(), key);
    if (command != 0) {
        SendMessageW(message.hwnd, WM_COMMAND, MAKEWPARAM(command, 1), 0);
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}
