#include "app/editbox.h"

void editbox::appendLine(const char16_t* text, int32_t n)
{
    log.appendLine(text, n);
    SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(log.text()));
    UpdateWindow(hwnd);
}

void editbox::removeLastLine()
{
    log.removeLastLine();
}
