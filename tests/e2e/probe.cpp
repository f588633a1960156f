// Prints in UTF-16LE "BAR-SHOWN BAR-POSITION X Y WIDTH HEIGHT OVER" (the client area on the
// screen; how far the log's last row lies below its view), then "log" and the log's text, or
// "busy"; exit code 1 without a main window.
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace {

// A message waits while the program runs a command: after a second it counts as busy.
bool ask(HWND control, UINT message, WPARAM w, LPARAM l, DWORD_PTR* out) {
    return SendMessageTimeoutW(control, message, w, l, SMTO_ABORTIFHUNG, 1000, out) != 0;
}

bool controlText(HWND control, std::wstring& text) {
    DWORD_PTR length = 0, copied = 0;
    if (!ask(control, WM_GETTEXTLENGTH, 0, 0, &length)) return false;
    text.assign(size_t(length) + 1, L'\0');
    if (!ask(control, WM_GETTEXT, text.size(), LPARAM(text.data()), &copied)) return false;
    text.resize(size_t(copied));
    return true;
}

}  // namespace

int main() {
    const HWND window = FindWindowW(L"MORVATOOL2", nullptr);
    if (!window) return 1;
    const HWND log = FindWindowExW(window, nullptr, L"EDIT", nullptr);
    const HWND progress = FindWindowExW(window, nullptr, L"msctls_progress32", nullptr);
    RECT client = {}, view = {};
    GetClientRect(window, &client);
    POINT origin = {};
    ClientToScreen(window, &origin);
    DWORD_PTR position = 0, rows = 0, last = 0, at = 0;
    if (log && ask(log, EM_GETLINECOUNT, 0, 0, &rows) && ask(log, EM_LINEINDEX, rows - 1, 0, &last))
        ask(log, EM_POSFROMCHAR, last, 0, &at);
    GetClientRect(log, &view);
    const int over = short(HIWORD(at)) - int(view.bottom);
    if (progress) ask(progress, PBM_GETPOS, 0, 0, &position);
    wchar_t head[96];
    wsprintfW(head, L"%d %d %ld %ld %ld %ld %d\n", progress && IsWindowVisible(progress),
              int(position), origin.x, origin.y, client.right, client.bottom, over > 0 ? over : 0);
    std::wstring text;
    const std::wstring report =
        head + (log && controlText(log, text) ? L"log\n" + text : L"busy\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), DWORD(report.size() * 2), &written,
              nullptr);
    return 0;
}
