// Owners for Win32 handles: each releases its handle the one right way when
// it goes out of scope. COM pointers use Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>

#include <utility>

// A window's device context from GetDC.
class scopeddc {
public:
    explicit scopeddc(HWND window) : window(window), dc(GetDC(window)) {}
    ~scopeddc() { if (dc) ReleaseDC(window, dc); }
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
    ~scopeddisplaydc() { if (dc) DeleteDC(dc); }
    scopeddisplaydc(const scopeddisplaydc&) = delete;
    scopeddisplaydc& operator=(const scopeddisplaydc&) = delete;
    operator HDC() const { return dc; }

private:
    HDC dc;
};

// A memory device context from CreateCompatibleDC.
class scopedmemorydc {
public:
    explicit scopedmemorydc(HDC compatibleWith = nullptr) : dc(CreateCompatibleDC(compatibleWith)) {}
    ~scopedmemorydc() { if (dc) DeleteDC(dc); }
    scopedmemorydc(scopedmemorydc&& other) noexcept : dc(std::exchange(other.dc, nullptr)) {}
    scopedmemorydc& operator=(scopedmemorydc&& other) noexcept {
        std::swap(dc, other.dc);
        return *this;
    }
    operator HDC() const { return dc; }

private:
    HDC dc;
};

// A GDI object (bitmap, brush, font, pen, region) deleted with DeleteObject.
template <class T>
class scopedgdiobject {
public:
    explicit scopedgdiobject(T object = nullptr) : object(object) {}
    ~scopedgdiobject() { if (object) DeleteObject(object); }
    scopedgdiobject(scopedgdiobject&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    scopedgdiobject& operator=(scopedgdiobject&& other) noexcept {
        std::swap(object, other.object);
        return *this;
    }
    void reset(T replacement = nullptr) { scopedgdiobject(replacement).swap(*this); }
    void swap(scopedgdiobject& other) noexcept { std::swap(object, other.object); }
    T get() const { return object; }
    operator T() const { return object; }

private:
    T object;
};

using scopedbitmap = scopedgdiobject<HBITMAP>;
using scopedfont = scopedgdiobject<HFONT>;
using scopedbrush = scopedgdiobject<HBRUSH>;

// Selects an object into a device context and puts the previous one back.
class scopedselection {
public:
    scopedselection(HDC dc, HGDIOBJ object) : dc(dc), previous(SelectObject(dc, object)) {}
    ~scopedselection() { if (previous) SelectObject(dc, previous); }
    scopedselection(const scopedselection&) = delete;
    scopedselection& operator=(const scopedselection&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};

// An accelerator table from LoadAcceleratorsW or CreateAcceleratorTableW.
class scopedaccelerators {
public:
    explicit scopedaccelerators(HACCEL table) : table(table) {}
    ~scopedaccelerators() { if (table) DestroyAcceleratorTable(table); }
    scopedaccelerators(const scopedaccelerators&) = delete;
    scopedaccelerators& operator=(const scopedaccelerators&) = delete;
    operator HACCEL() const { return table; }

private:
    HACCEL table;
};

// An open registry key.
class scopedkey {
public:
    explicit scopedkey(HKEY key) : key(key) {}
    ~scopedkey() { if (key) RegCloseKey(key); }
    scopedkey(const scopedkey&) = delete;
    scopedkey& operator=(const scopedkey&) = delete;
    operator HKEY() const { return key; }

private:
    HKEY key;
};

// A window of the program's own, destroyed with its owner.
class scopedwindow {
public:
    explicit scopedwindow(HWND window) : window(window) {}
    ~scopedwindow() { if (window) DestroyWindow(window); }
    scopedwindow(const scopedwindow&) = delete;
    scopedwindow& operator=(const scopedwindow&) = delete;
    operator HWND() const { return window; }

private:
    HWND window;
};

// A module from LoadLibraryW.
class scopedlibrary {
public:
    explicit scopedlibrary(const wchar_t* name) : module(LoadLibraryW(name)) {}
    ~scopedlibrary() { if (module) FreeLibrary(module); }
    scopedlibrary(const scopedlibrary&) = delete;
    scopedlibrary& operator=(const scopedlibrary&) = delete;
    operator HMODULE() const { return module; }

private:
    HMODULE module;
};
