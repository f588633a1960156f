// Reports what the running program shows, for the end-to-end tests: the main
// window's title, the status log's text, whether the progress bar is visible
// and where the client area lies on the screen. One JSON object on standard
// output, UTF-8; exit code 1 when the program has no main window.
#include <windows.h>

#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

std::string quoted(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : utf8(text)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            wsprintfA(escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The title is kept by the system: it reads even while the program is busy.
std::wstring title(HWND window) {
    std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

// An edit control's text is its own: asked for by message, which waits while
// the program is inside a command. After a second the answer is null: the
// program is busy.
std::string controlText(HWND control) {
    constexpr UINT patience = 1000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, patience, &length))
        return "null";
    std::wstring text(size_t(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), LPARAM(text.data()),
                             SMTO_ABORTIFHUNG, patience, &copied))
        return "null";
    text.resize(size_t(copied));
    return quoted(text);
}

std::string area(LONG x, LONG y, LONG width, LONG height) {
    char text[96];
    wsprintfA(text, "{\"x\":%ld,\"y\":%ld,\"width\":%ld,\"height\":%ld}", x, y, width, height);
    return text;
}

std::string clientArea(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return area(origin.x, origin.y, client.right, client.bottom);
}

}  // namespace

// The log is read last: the other answers come from the system at once, even
// while the program is busy, and so tell the state the busy program is in.
int main() {
    const HWND window = FindWindowW(L"MORVATOOL2", nullptr);
    if (!window) return 1;
    const HWND log = FindWindowExW(window, nullptr, L"EDIT", nullptr);
    const HWND progress = FindWindowExW(window, nullptr, L"msctls_progress32", nullptr);
    std::string report = "{\"title\":" + quoted(title(window));
    report += ",\"progressVisible\":";
    report += progress && IsWindowVisible(progress) ? "true" : "false";
    report += ",\"client\":" + clientArea(window);
    report += ",\"log\":" + (log ? controlText(log) : std::string("null"));
    report += "}\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), DWORD(report.size()), &written,
              nullptr);
    return 0;
}
