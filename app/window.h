// The window objects of the program. An object is bound to its window through
// the window's user data, so that the one window procedure can hand each
// message to the object's handler.
#pragma once

#include "codec/gengine.h"

#include <windows.h>

class window {
public:
    explicit window(window* parent = nullptr) : parent(parent) {}
    // Destroys the window if this object still holds one.
    ~window();
    window(const window&) = delete;
    window& operator=(const window&) = delete;

    // A plain child ("STATIC") of the parent's window at `area`.
    virtual void create(const rect& area);
    virtual void move(const rect& area);
    virtual void onSize() {}
    virtual void onMove() {}
    // Between BeginPaint and EndPaint.
    virtual void onPaint() {}
    virtual void onTimer() {}
    // On WM_DESTROY, before the message loop is told to end.
    virtual void onDestroy() {}

    // The window procedure of the main window's class. The object comes with
    // the creation parameter and is bound on WM_CREATE; it is unbound when
    // the window goes, so that neither side outlives the other unnoticed.
    static LRESULT CALLBACK procedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

    window* parent;
    HWND hwnd = nullptr;
};
