// The program with its file dialog answered by the test and an engine that
// notes what it is asked to draw, for the file commands and the BMP import.
#pragma once

#include "app/filecommands.h"
#include "app/filedialog.h"
#include "tests/engines/idleengine.h"
#include "tests/import/bmpseries.h"
#include "tests/windows/appfixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What the program asked of one dialog.
struct dialogrequest {
    DWORD structSize = 0;
    HWND owner = nullptr;
    HINSTANCE instance = nullptr;
    std::wstring filter;  // entries separated by '|', as far as the double NUL
    std::wstring customFilter;
    DWORD filterIndex = 0;
    std::wstring file;  // the buffer as the dialog found it
    DWORD maxFile = 0;
    bool fileTitle = false;
    bool initialDirectory = false;
    std::wstring title;
    DWORD flags = 0;
    std::wstring defaultExtension;
};

// Answers every dialog of the test once installed: with the path given (and
// the offsets a Windows dialog reports for it), or by cancelling.
class dialoganswers {
public:
    void install() {
        fileDialog = [this](OPENFILENAMEW& request) { return answer(request); };
    }

    void choose(const std::u16string& path) { next = path; cancel = false; }
    void cancelNext() { cancel = true; }

    std::vector<dialogrequest> requests;
    // When set, written into the buffer as it stands instead of a path.
    std::vector<wchar_t> rawAnswer;

private:
    BOOL answer(OPENFILENAMEW& request) {
        requests.push_back(noted(request));
        if (!rawAnswer.empty()) {
            std::copy(rawAnswer.begin(), rawAnswer.end(), request.lpstrFile);
            return TRUE;
        }
        if (cancel) return FALSE;
        const std::wstring path(next.begin(), next.end());
        std::copy(path.c_str(), path.c_str() + path.size() + 1, request.lpstrFile);
        const size_t separator = path.find_last_of(L"\\/");
        const size_t name = separator == std::wstring::npos ? 0 : separator + 1;
        const size_t dot = path.find_last_of(L'.');
        request.nFileOffset = WORD(name);
        request.nFileExtension = WORD(dot == std::wstring::npos || dot < name ? 0 : dot + 1);
        return TRUE;
    }

    static std::wstring filterText(const wchar_t* filter) {
        std::wstring out;
        if (!filter) return out;
        for (const wchar_t* entry = filter; *entry; entry += wcslen(entry) + 1) {
            if (!out.empty()) out += L'|';
            out += entry;
        }
        return out;
    }

    static dialogrequest noted(const OPENFILENAMEW& r) {
        dialogrequest n;
        n.structSize = r.lStructSize;
        n.owner = r.hwndOwner;
        n.instance = r.hInstance;
        n.filter = filterText(r.lpstrFilter);
        n.customFilter = r.lpstrCustomFilter ? r.lpstrCustomFilter : L"";
        n.filterIndex = r.nFilterIndex;
        n.file = r.lpstrFile;
        n.maxFile = r.nMaxFile;
        n.fileTitle = r.lpstrFileTitle != nullptr;
        n.initialDirectory = r.lpstrInitialDir != nullptr;
        n.title = r.lpstrTitle ? r.lpstrTitle : L"";
        n.flags = r.Flags;
        n.defaultExtension = r.lpstrDefExt ? r.lpstrDefExt : L"";
        return n;
    }

    std::u16string next;
    bool cancel = true;
};

// Shown by its own state, whether or not the main window is shown.
inline bool hasVisibleStyle(HWND window) {
    return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Notes the drawing steps and keeps what it was given: the pictures of the
// import (with the progress bar's state at that moment) and the payloads of
// frames.
class fileengine final : public idleengine {
public:
    explicit fileengine(HWND progressBar) : progressBar(progressBar) {}

    frameimage* createFrameFromDib(const void* info, const void* pixels, uint32_t size) override {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(info);
        note("picture " + std::to_string(header->biWidth) + "x" + std::to_string(header->biHeight));
        const auto* bytes = static_cast<const uint8_t*>(pixels);
        pictures.emplace_back(bytes, bytes + size);
        barVisible.push_back(hasVisibleStyle(progressBar));
        barPosition.push_back(uint32_t(SendMessageW(progressBar, PBM_GETPOS, 0, 0)));
        return token();
    }
    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t width, int32_t height,
                            uint32_t bits) override {
        note("frame " + std::to_string(width) + "x" + std::to_string(height) + "x" +
             std::to_string(bits));
        payloads.emplace_back(payload, payload + size);
        return token();
    }
    void destroyFrame(frameimage*) override { note("release"); }
    void beginDraw() override { note("begin"); }
    void endDraw() override { note("end"); }
    void drawBackground() override { note("background"); }
    void drawFrameInRect(frameimage*, const rect& target) override {
        note("draw in " + rectText(target));
    }

    std::vector<std::string> steps;
    std::vector<bytes> pictures;
    std::vector<bytes> payloads;
    std::vector<bool> barVisible;
    std::vector<uint32_t> barPosition;

private:
    void note(const std::string& what) { steps.push_back(what); }
    frameimage* token() { return reinterpret_cast<frameimage*>(&tokenByte); }

    HWND progressBar;
    char tokenByte = 0;
};

class FileTest : public AppTest {
protected:
    void SetUp() override {
        startApp();
        dialogs.install();
        setClientSize(handle(), 600, 400);
        auto made = std::make_unique<fileengine>(mainWindow().progressWindow.hwnd);
        engine = made.get();
        mainWindow().engine = std::move(made);
    }

    // The lines the status log holds, passing lines gone.
    std::vector<std::u16string> logLines() {
        std::vector<std::u16string> out;
        const std::u16string all = mainWindow().logWindow.log.text();
        for (size_t start = 0;;) {
            const size_t end = all.find(u"\r\n", start);
            out.push_back(all.substr(start, end - start));
            if (end == std::u16string::npos) return out;
            start = end + 2;
        }
    }
    std::u16string lastLogLine() { return logLines().back(); }

    std::wstring title() { return windowText(handle()); }
    static std::wstring w(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

    // Imports the series `chosen` belongs to through the menu command.
    void importThrough(const std::u16string& chosen) {
        dialogs.choose(chosen);
        ASSERT_TRUE(app->command(IDM_IMPORT_BMP));
    }
    void saveAsThrough(const std::u16string& path) {
        dialogs.choose(path);
        ASSERT_TRUE(app->command(IDM_FILE_SAVE_AS));
    }
    void openThrough(const std::u16string& path) {
        dialogs.choose(path);
        ASSERT_TRUE(app->command(IDM_FILE_OPEN));
    }

    dialoganswers dialogs;
    fileengine* engine = nullptr;
    scratchfolder folder;
};
