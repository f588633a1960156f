// Reports what the running program shows, for the end-to-end tests, in
// UTF-16LE on standard output: a line "PROGRESS-VISIBLE POSITION X Y WIDTH HEIGHT"
// (the progress bar, the preview's frame counter; the client area on the
// screen), then "log" and the status log's text, or "busy" when the program
// does not answer. Exit code 1 when it has no main window.
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace {

// An edit control's text is its own: asked for by message, which waits while
// the program is inside a command; after a second it counts as busy.
bool controlText(HWND control, std::wstring& text) {
    DWORD_PTR length = 0, copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) return false;
    text.assign(size_t(length) + 1, L'\0');
    if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), LPARAM(text.data()), SMTO_ABORTIFHUNG, 1000, &copied))
        return false;
    text.resize(size_t(copied));
    return true;
}

}  // namespace

// The log is read last: the rest comes from the system at once, even while
// the program is busy, and so tells the state the busy program is in.
int main() {
    const HWND window = FindWindowW(L"MORVATOOL2", nullptr);
    if (!window) return 1;
    const HWND log = FindWindowExW(window, nullptr, L"EDIT", nullptr);
    const HWND progress = FindWindowExW(window, nullptr, L"msctls_progress32", nullptr);
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    DWORD_PTR position = 0;
    if (progress)
        SendMessageTimeoutW(progress, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position);
    const int shown = progress && IsWindowVisible(progress) ? 1 : 0;
    wchar_t head[96];
    wsprintfW(head, L"%d %d %ld %ld %ld %ld\n", shown, int(position), origin.x, origin.y,
              client.right, client.bottom);
    std::wstring text;
    const std::wstring report = head + (log && controlText(log, text) ? L"log\n" + text : std::wstring(L"busy\n"));
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), DWORD(report.size() * sizeof(wchar_t)), &written,
              nullptr);
    return 0;
}
