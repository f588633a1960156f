// A test import host: keeps the log as the program does, notes every other call.
#pragma once

#include "import/bmpfile.h"
#include "import/bmpimport.h"
#include "shell/logbuffer.h"
#include "tests/support/files.h"

#include <functional>
#include <memory>

// "~" before a passing line; other calls in brackets.
class notinghost final : public importhost {
public:
    void appendLine(const char16_t* text, int32_t length) override {
        log->appendLine(text, length);
        events.push_back(utf8(text16(text, size_t(length))));
    }
    void removeLastLine() override {
        log->removeLastLine();
        events.back().insert(0, "~");
    }
    void showProgress(uint32_t total) override { note("progress 0.." + std::to_string(total)); }
    void setProgress(uint32_t position) override { note("at " + std::to_string(position)); }
    void hideProgress() override { note("hide"); }
    void showPicture(bmpfile& picture) override {
        note("show");
        shown.emplace_back(picture.pixels(), picture.pixels() + picture.pixelSize());
        if (onShow) onShow();
    }
    void updateTitle() override {
        note("title");
        if (onTitle) onTitle();
    }

    lines events;
    std::unique_ptr<logbuffer> log = std::make_unique<logbuffer>();
    std::vector<bytes> shown;
    std::function<void()> onShow;
    std::function<void()> onTitle;  // between the count and the frames

private:
    void note(const std::string& what) { events.push_back("[" + what + "]"); }
};

// The series of the picture at `path`, as the file dialog hands it over.
inline void importPicture(importhost& host, document& into, uint32_t depth, const text16& path) {
    importSeries(host, into, depth, path.c_str(), uint32_t(path.find_last_of(u"\\/") + 1),
                 uint32_t(path.size() - 3));
}
