// Owners for Win32 handles: each releases its handle the one right way when
// it goes out of scope. COM pointers use Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>

#include <utility>

// A window's device context from GetDC.
class scopeddc {
public:
    explicit scopeddc(HWND window) : window(window), dc(GetDC(window)) {}
    ~scopeddc() {
        if (dc) ReleaseDC(window, dc);
    }
    scopeddc(const scopeddc&) = delete;
    scopeddc& operator=(const scopeddc&) = delete;
    operator HDC() const { return dc; }

private:
    HWND window;
    HDC dc;
};

// The screen's device context, from CreateDCW("DISPLAY").
class scopeddisplaydc {
public:
    scopeddisplaydc() : dc(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)) {}
    ~scopeddisplaydc() {
        if (dc) DeleteDC(dc);
    }
    scopeddisplaydc(const scopeddisplaydc&) = delete;
    scopeddisplaydc& operator=(const scopeddisplaydc&) = delete;
    operator HDC() const { return dc; }

private:
    HDC dc;
};

// A memory device context from CreateCompatibleDC.
class scopedmemorydc {
public:
    explicit scopedmemorydc(HDC compatibleWith = nullptr)
        : dc(CreateCompatibleDC(compatibleWith)) {}
    ~scopedmemorydc() {
        if (dc) DeleteDC(dc);
    }
    scopedmemorydc(scopedmemorydc&& other) noexcept : dc(std::exchange(other.dc, nullptr)) {}
    scopedmemorydc& operator=(scopedmemorydc&& other) noexcept {
        std::swap(dc, other.dc);
        return *this;
    }
    operator HDC() const { return dc; }

private:
    HDC dc;
};

// A handle that `close` releases: a GDI object, an accelerator table, a
// registry key, a window or a module.
template <class Handle, auto close>
class scopedhandle {
public:
    explicit scopedhandle(Handle handle = nullptr) : handle(handle) {}
    ~scopedhandle() {
        if (handle) close(handle);
    }
    scopedhandle(scopedhandle&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    scopedhandle& operator=(scopedhandle&& other) noexcept {
        std::swap(handle, other.handle);
        return *this;
    }
    void reset(Handle replacement = nullptr) { scopedhandle(replacement).swap(*this); }
    void swap(scopedhandle& other) noexcept { std::swap(handle, other.handle); }
    Handle get() const { return handle; }
    operator Handle() const { return handle; }

private:
    Handle handle;
};

using scopedbitmap = scopedhandle<HBITMAP, DeleteObject>;
using scopedfont = scopedhandle<HFONT, DeleteObject>;
using scopedbrush = scopedhandle<HBRUSH, DeleteObject>;
using scopedaccelerators = scopedhandle<HACCEL, DestroyAcceleratorTable>;
using scopedwindow = scopedhandle<HWND, DestroyWindow>;  // a window of the program's own
using scopedlibrary = scopedhandle<HMODULE, FreeLibrary>;

// Selects an object into a device context and puts the previous one back.
class scopedselection {
public:
    scopedselection(HDC dc, HGDIOBJ object) : dc(dc), previous(SelectObject(dc, object)) {}
    ~scopedselection() {
        if (previous) SelectObject(dc, previous);
    }
    scopedselection(const scopedselection&) = delete;
    scopedselection& operator=(const scopedselection&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};
