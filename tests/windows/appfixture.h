// The program's own objects in a test process: one application record per
// test, started with journal engines and a clock the test sets, and torn
// down at the end of the test, so that every test starts afresh.
#pragma once

#include "animfile/tmpfile.h"
#include "app/application.h"
#include "app/filedialog.h"
#include "app/messageloop.h"
#include "resources/resource.h"
#include "tests/windows/journalengine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The client rectangle of `child` in its parent's client coordinates.
inline rect childRect(HWND child) {
    RECT area = {};
    GetWindowRect(child, &area);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&area), 2);
    return {area.left, area.top, area.right, area.bottom};
}

// Visible by its own style, whether or not its parent is shown.
inline bool visibleStyle(HWND handle) { return GetWindowLongW(handle, GWL_STYLE) & WS_VISIBLE; }

inline std::wstring windowText(HWND handle) {
    std::wstring text(size_t(GetWindowTextLengthW(handle)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(handle, text.data(), int(text.size()))));
    return text;
}

// Handles what waits in the queue, at least for `milliseconds`; a quit
// message is taken out and noted.
inline void pump(DWORD milliseconds = 0, HACCEL accelerators = nullptr) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message != WM_QUIT) dispatchMessage(accelerators, message);
        }
        if (milliseconds) Sleep(5);
    } while (GetTickCount64() < until);
}

inline void setClientSize(HWND handle, int width, int height) {
    // The menu bar may wrap at a new width: correct once more from the result.
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT outer = {}, client = {};
        GetWindowRect(handle, &outer);
        GetClientRect(handle, &client);
        if (client.right == width && client.bottom == height) return;
        SetWindowPos(handle, nullptr, 0, 0, outer.right - outer.left + width - client.right,
                     outer.bottom - outer.top + height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// Settings, then `position`: the items' check marks as "x" (checked) or
// "-", and "g" for a grayed item.
inline std::string settingsMarks(HWND handle, int position) {
    HMENU menu = GetSubMenu(GetSubMenu(GetMenu(handle), 2), position);
    std::string marks;
    for (int item = 0; item < GetMenuItemCount(menu); ++item) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE;
        GetMenuItemInfoW(menu, item, TRUE, &info);
        marks += info.fState & MFS_CHECKED ? 'x' : '-';
        if (info.fState & MFS_GRAYED) marks += 'g';
    }
    return marks;
}

inline std::string engineMarks(HWND handle) { return settingsMarks(handle, 0); }
inline std::string depthMarks(HWND handle) { return settingsMarks(handle, 1); }

// A frame store of `count` frames whose payloads carry their numbers.
inline std::unique_ptr<TMPfile> numberedStore(uint32_t count) {
    auto store = std::make_unique<TMPfile>(u"(new)");
    store->openTempFile();
    store->setFrameSize(4, 4);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t payload[] = {uint8_t(i), uint8_t(i >> 8)};
        store->appendFrame(payload, sizeof payload);
    }
    return store;
}

inline const std::wstring baseTitle = L"モルバツール ver.2";

class AppTest : public ::testing::Test {
protected:
    void TearDown() override {
        app.reset();
        pump();
        fileDialog = systemFileDialog;
    }

    // Starts the program with journal engines and keeps the journal of the
    // start. Hidden unless `shown`: under Wine without a window manager a
    // shown top-level window takes two seconds to go. A file dialog would
    // wait for a user: every one is cancelled unless the test answers it.
    void startApp(bool direct2dAvailable = true, bool shown = false) {
        fileDialog = [this](OPENFILENAMEW&) {
            ++dialogsShown;
            return FALSE;
        };
        app = std::make_unique<application>(GetModuleHandleW(nullptr));
        mainWindow().engines = journalEngines(log, direct2dAvailable);
        mainWindow().clock = [this] { return now; };
        app->start(shown ? SW_SHOWNORMAL : SW_HIDE);
        pump();
        startLines = log.take();
    }

    mainwindow& mainWindow() { return *app->mainWindow; }
    HWND handle() { return app->mainWindow->hwnd; }

    journal log;
    std::vector<std::string> startLines;  // the journal of start-up
    int dialogsShown = 0;
    uint64_t now = 100000;
    std::unique_ptr<application> app;
};
