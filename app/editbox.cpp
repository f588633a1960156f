#include "app/editbox.h"

uint64_t editbox::defaultClock() { return GetTickCount64(); }

void editbox::appendLine(const char16_t* text, int32_t n) {
    log.appendLine(text, n);
    const uint64_t now = clock();
    if (updates.due(now)) {
        show(log.text());
        pending.clear();
        updates.made(now, clock());
    } else {
        pending = log.text();
    }
}

void editbox::removeLastLine() { log.removeLastLine(); }

void editbox::showPending() {
    if (pending.empty()) return;
    show(pending.c_str());
    pending.clear();
}

// Repaints at once: the message loop may not run until the command ends.
void editbox::show(const char16_t* text) {
    SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    UpdateWindow(hwnd);
}
