// A fresh application per test: fake engines, its clock and dialogs answered
// by the test.
#pragma once

#include "app/application.h"
#include "app/filedialog.h"
#include "app/messageloop.h"
#include "resources/resource.h"
#include "tests/support/fakeengine.h"
#include "tests/support/files.h"
#include "tests/windows/clientsize.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>

inline bool visibleStyle(HWND handle) { return (GetWindowLongW(handle, GWL_STYLE) & WS_VISIBLE) != 0; }

// Settings, then `position`: "x" checked or "-" per item, "g" after a grayed one.
inline std::string settingsMarks(HWND handle, int position) {
    HMENU menu = GetSubMenu(GetSubMenu(GetMenu(handle), 2), position);
    std::string marks;
    for (int item = 0; item < GetMenuItemCount(menu); ++item) {
        const UINT state = GetMenuState(menu, UINT(item), MF_BYPOSITION);
        marks += state & MF_CHECKED ? "x" : "-";
        if (state & MF_GRAYED) marks += "g";
    }
    return marks;
}

class ProgramTest : public testing::Test {
protected:
    void SetUp() override { start(true); }
    void TearDown() override {
        app.reset();
        pump();
        fileDialog = systemFileDialog;
        replaceQuestion = systemReplaceQuestion;
    }

    // A program in a 600 x 400 client area; dialogs are cancelled unless a path was chosen.
    void start(bool direct2d, int showCommand = SW_HIDE) {
        app.reset();
        shownEarly = false;
        fileDialog = [this](OPENFILENAMEW& request) { return answer(request); };
        replaceQuestion = [this](HWND, const char16_t* path) {
            questions.push_back(utf8(path));
            return replaceAnswer;
        };
        app = std::make_unique<application>(GetModuleHandleW(nullptr));
        mainWindow().engines = {[this, direct2d] {
                                    shownEarly |= handle() != nullptr;
                                    return direct2d;
                                },
                                [this](engineindex kind, HWND window) -> std::unique_ptr<gengine> {
                                    made.push_back(kind);
                                    shownEarly |= IsWindowVisible(window) != 0;
                                    auto fresh = std::make_unique<fakeengine>();
                                    engine = fresh.get();
                                    return fresh;
                                }};
        mainWindow().clock = [this] { return now; };
        app->start(showCommand);
        setClientSize(handle(), 600, 400);
        pump();
        startSteps = engine->take();
    }

    mainwindow& mainWindow() { return *app->mainWindow; }
    HWND handle() { return app->mainWindow->hwnd; }
    std::string title() {
        wchar_t text[1024] = {};
        GetWindowTextW(handle(), text, 1024);
        return utf8(text16(text, text + wcslen(text)));
    }
    std::vector<std::string> log() { return logLines(mainWindow().logWindow.log.text()); }
    std::string lastLine() { return log().back(); }

    // Handles what waits in the queue through the program's loop step.
    void pump() {
        const std::vector<accelerator> keys = loadKeyTable(GetModuleHandleW(nullptr), IDR_MAINMENU);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (message.message != WM_QUIT) dispatchMessage(keys, message);
    }

    // The command's dialog, if any, chooses `path` or is cancelled.
    void command(uint32_t id, const text16& path = u"") {
        chosen = path;
        ASSERT_TRUE(app->command(id));
    }

    std::unique_ptr<application> app;
    fakeengine* engine = nullptr;
    std::vector<engineindex> made;
    bool shownEarly = false;  // a window before Direct2D's test or shown for an engine
    std::vector<std::string> startSteps;  // the engine's calls at start-up
    uint64_t now = 100000;
    std::vector<std::string> questions;  // the files Save As asked about
    bool replaceAnswer = false;
    std::vector<std::string> requests;  // each dialog: title | filter | file | flags | extension
    text16 chosen;  // what the next dialog chooses

private:
    BOOL answer(OPENFILENAMEW& request) {
        const auto text = [](const wchar_t* t) { return utf8(text16(t, t + wcslen(t))); };
        std::string filter;
        for (const wchar_t* entry = request.lpstrFilter; *entry; entry += wcslen(entry) + 1) filter += text(entry) + ";";
        requests.push_back(text(request.lpstrTitle) + " | " + filter + " | " + text(request.lpstrFile) + " | " +
                           std::to_string(request.Flags) + " | " + text(request.lpstrDefExt));
        if (chosen.empty()) return FALSE;
        const std::wstring path(chosen.begin(), chosen.end());
        chosen.clear();
        std::copy(path.c_str(), path.c_str() + path.size() + 1, request.lpstrFile);
        const size_t name = path.find_last_of(L"\\/") + 1;
        const size_t dot = path.find_last_of(L'.');
        request.nFileOffset = WORD(name);
        request.nFileExtension = WORD(dot == std::wstring::npos || dot < name ? 0 : dot + 1);
        return TRUE;
    }
};
