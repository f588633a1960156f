#include "app/window.h"

#include "app/application.h"

namespace {

window* boundObject(HWND handle) {
    return reinterpret_cast<window*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
}

void bind(HWND handle, const CREATESTRUCTW& creation) {
    window* object = static_cast<window*>(creation.lpCreateParams);
    object->hwnd = handle;
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

void unbind(HWND handle, window& object) {
    SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
    object.hwnd = nullptr;
}

}  // namespace

window::~window() {
    if (hwnd) DestroyWindow(hwnd);
}

void window::create(const rect& area) {
    hwnd = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, area.left, area.top,
                           area.right - area.left, area.bottom - area.top, parent->hwnd, nullptr,
                           theApplication().instance, this);
}

void window::move(const rect& area) {
    MoveWindow(hwnd, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

LRESULT CALLBACK window::procedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        bind(handle, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
        return 0;
    }
    window* object = boundObject(handle);
    if (!object) return DefWindowProcW(handle, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        object->onDestroy();
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: unbind(handle, *object); break;
    case WM_MOVE: object->onMove(); return 0;
    case WM_SIZE: object->onSize(); return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(handle, &paint);
        object->onPaint();
        EndPaint(handle, &paint);
        return 0;
    }
    case WM_COMMAND: theApplication().command(LOWORD(wParam)); return 0;
    case WM_TIMER: object->onTimer(); return 0;
    }
    return DefWindowProcW(handle, message, wParam, lParam);
}
