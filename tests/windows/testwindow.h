// A real top-level window of a chosen client size for tests that draw
// through an engine, with a read-back of what the window shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class testwindow {
public:
    explicit testwindow(int clientWidth, int clientHeight) {
        static const wchar_t* className = registerClass();
        RECT frame = {0, 0, clientWidth, clientHeight};
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        window = CreateWindowExW(0, className, L"morva test", style, 0, 0, frame.right - frame.left,
                                 frame.bottom - frame.top, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        if (!window) return;
        ShowWindow(window, SW_SHOWNOACTIVATE);
        UpdateWindow(window);
        pump();
    }
    ~testwindow() { if (window) DestroyWindow(window); }
    testwindow(const testwindow&) = delete;
    testwindow& operator=(const testwindow&) = delete;

    HWND handle() const { return window; }

    bool setClientSize(int width, int height) const {
        RECT frame = {0, 0, width, height};
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        pump();
        RECT client;
        GetClientRect(window, &client);
        return client.right == width && client.bottom == height;
    }

    // Handles what is waiting in the queue, for `milliseconds` at least.
    void pump(DWORD milliseconds = 0) const {
        ULONGLONG until = GetTickCount64() + milliseconds;
        do {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (milliseconds) Sleep(5);
        } while (GetTickCount64() < until);
    }

    // The client area as the screen shows it: 0x00RRGGBB per pixel, rows top-down.
    std::vector<uint32_t> capture() const {
        RECT client;
        GetClientRect(window, &client);
        int width = client.right, height = client.bottom;
        std::vector<uint32_t> pixels(size_t(width) * height);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = GetDC(window);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, section);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const uint32_t* source = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = source[i] & 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(section);
        DeleteDC(memory);
        ReleaseDC(window, screen);
        return pixels;
    }

    // One pixel of capture(), as 0x00RRGGBB.
    uint32_t pixel(int x, int y) const {
        RECT client;
        GetClientRect(window, &client);
        return capture()[size_t(y) * client.right + x];
    }

private:
    static constexpr DWORD style = WS_OVERLAPPEDWINDOW;

    static const wchar_t* registerClass() {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"MorvaTestWindow";
        RegisterClassExW(&windowClass);
        return windowClass.lpszClassName;
    }

    HWND window = nullptr;
};
