// A fresh application per test: fake engines; the clock and dialogs the test's.
#pragma once

#include "app/application.h"
#include "app/filedialog.h"
#include "app/messageloop.h"
#include "resources/resource.h"
#include "tests/support/fakeengine.h"
#include "tests/support/files.h"

#include <commctrl.h>

#include <gtest/gtest.h>

inline std::string utf8(const wchar_t* text) { return fs::path(text).u8string(); }

const std::string base = "モルバツール ver.2";  // the title

// Three tries: the menu bar may wrap at a new width.
inline void setClientSize(HWND window, int width, int height) {
    for (int i = 0; i < 3; ++i) {
        RECT outer, client;
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        MoveWindow(window, outer.left, outer.top, outer.right - outer.left + width - client.right,
                   outer.bottom - outer.top + height - client.bottom, TRUE);
    }
}

class ProgramTest : public testing::Test {
protected:
    void SetUp() override {
        start(true);
        engine->take();
    }
    void TearDown() override {
        app.reset();
        pump();
    }

    void start(bool direct2d, int show = SW_HIDE) {
        app.reset();
        shownEarly = false;
        // Noted, then cancelled unless a path was chosen.
        fileDialog = [this](OPENFILENAMEW& request) -> BOOL {
            std::string filter;
            for (const wchar_t* entry = request.lpstrFilter; *entry; entry += wcslen(entry) + 1)
                filter += utf8(entry) + ";";
            requests.push_back(utf8(request.lpstrTitle) + " | " + filter + " | " +
                               utf8(request.lpstrFile) + " | " + std::to_string(request.Flags) +
                               " | " + utf8(request.lpstrDefExt));
            if (chosen.empty()) return FALSE;
            std::copy_n(chosen.c_str(), chosen.size() + 1, request.lpstrFile);
            const size_t name = chosen.find_last_of(u"\\/") + 1, dot = chosen.find_last_of(u'.');
            request.nFileOffset = WORD(name);
            request.nFileExtension = WORD(dot < name ? 0 : dot + 1);  // as the system: 0 for none
            return TRUE;
        };
        replaceQuestion = [this](HWND, const char16_t* path) {
            questions.push_back(utf8(path));
            return replaceAnswer;
        };
        app = std::make_unique<application>(GetModuleHandleW(nullptr));
        win().engines.direct2dAvailable = [this, direct2d] {
            shownEarly |= handle() != nullptr;
            return direct2d;
        };
        win().engines.make = [this](engineindex kind, HWND window) {
            made.push_back(kind);
            shownEarly |= IsWindowVisible(window) != 0;
            return std::unique_ptr<gengine>(engine = new fakeengine);
        };
        win().clock = [this] { return now; };
        app->start(show);
        setClientSize(handle(), 600, 400);
        pump();
    }

    mainwindow& win() { return *app->mainWindow; }
    HWND handle() { return win().hwnd; }
    HWND bar() { return win().progressWindow.hwnd; }
    bool barShown() { return GetWindowLongW(bar(), GWL_STYLE) & WS_VISIBLE; }
    std::string title() {
        wchar_t text[1024] = {};
        GetWindowTextW(handle(), text, 1024);
        return utf8(text);
    }
    lines log() { return logLines(win().logWindow.log.text()); }
    text16 file(const text16& name) { return folder.file(name); }
    // Settings, then `position`: "x" checked or "-" per item, "g" after a grayed one.
    std::string marks(int position) {
        HMENU menu = GetSubMenu(GetSubMenu(GetMenu(handle()), 2), position);
        std::string out;
        for (int item = 0; item < GetMenuItemCount(menu); ++item) {
            const UINT state = GetMenuState(menu, UINT(item), MF_BYPOSITION);
            out += state & MF_CHECKED ? 'x' : '-';
            if (state & MF_GRAYED) out += 'g';
        }
        return out;
    }

    // Through the resource's real key table.
    void pump() {
        const auto keys = loadKeyTable(GetModuleHandleW(nullptr), IDR_MAINMENU);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) dispatchMessage(keys, message);
    }

    void command(uint32_t id, const text16& path = u"") {
        chosen = path;
        ASSERT_TRUE(app->command(id));
    }

    std::unique_ptr<application> app;
    fakeengine* engine = nullptr;
    std::vector<engineindex> made;
    bool shownEarly = false;  // a window before Direct2D's test, or shown for an engine
    uint64_t now = 100000;
    lines questions;  // the files Save As asked about
    bool replaceAnswer = false;
    lines requests;  // each dialog: title | filter | file | flags | extension
    text16 chosen;   // by the next dialog
    scratchfolder folder{u"歩く"};
};
