// Prints in UTF-16LE "BAR-POSITION X Y WIDTH HEIGHT OVER" (the client area on the screen;
// how far the log's last row lies below its view), then "log" and the log, or "busy".
#include <windows.h>

#include <commctrl.h>

#include <string>

// A message waits while the program runs a command: after a second it counts as busy.
static bool ask(HWND control, UINT message, WPARAM w, LPARAM l, DWORD_PTR* out) {
    return SendMessageTimeoutW(control, message, w, l, SMTO_ABORTIFHUNG, 1000, out) != 0;
}

int main() {
    const HWND window = FindWindowW(L"MORVATOOL2", nullptr);
    if (!window) return 1;
    // Either may be missing yet: then a message to it fails.
    const HWND log = FindWindowExW(window, nullptr, L"EDIT", nullptr),
               bar = FindWindowExW(window, nullptr, L"msctls_progress32", nullptr);
    RECT client = {}, view = {};
    GetClientRect(window, &client);
    GetClientRect(log, &view);
    POINT origin = {};
    ClientToScreen(window, &origin);
    DWORD_PTR position = 0, rows = 0, last = 0, at = 0, length = 0;
    ask(bar, PBM_GETPOS, 0, 0, &position);
    if (ask(log, EM_GETLINECOUNT, 0, 0, &rows) && ask(log, EM_LINEINDEX, rows - 1, 0, &last))
        ask(log, EM_POSFROMCHAR, last, 0, &at);
    const int over = short(HIWORD(at)) - int(view.bottom);
    std::wstring text;
    bool busy = !ask(log, WM_GETTEXTLENGTH, 0, 0, &length);
    text.resize(size_t(length) + 1);
    busy = busy || !ask(log, WM_GETTEXT, text.size(), LPARAM(text.data()), &length);
    text.resize(busy ? 0 : size_t(length));
    wchar_t head[96];
    wsprintfW(head, L"%d %ld %ld %ld %ld %d\n%s\n", int(position), origin.x, origin.y, client.right,
              client.bottom, over > 0 ? over : 0, busy ? L"busy" : L"log");
    const std::wstring report = head + text;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), DWORD(report.size() * 2), &written,
              nullptr);
}
