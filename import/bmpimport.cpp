#include "import/bmpimport.h"

#include "animfile/document.h"
#include "import/bmpfile.h"
#include "import/seriescount.h"
#include "import/seriesname.h"

namespace {

// One import: the names of the series, one reader whose buffers serve every
// picture, and the size of picture 0 that all others must have.
class seriesimport : private serieslog {
public:
    seriesimport(importhost& host, document& animation, const char16_t* path, uint32_t fileOffset,
                 uint32_t extensionOffset)
        : host(host), animation(animation), names(path, fileOffset, extensionOffset) {}

    void run(uint32_t depth);

private:
    bool begin();
    void importFrames(TMPfile& store, uint32_t total, uint32_t depth);
    bool matchesFirstSize() const;

    void log(const wtext& text) override { host.appendLine(text.data, text.length); }
    void log(const char16_t* text);
    void showPassing(const wtext& text) override;

    importhost& host;
    document& animation;
    seriesname names;
    bmpfile reader;
    wtext line{seriesname::maxLength + 1};
    struct {
        int32_t width, height;
    } first{};  // picture 0's size
};

void seriesimport::log(const char16_t* text) {
    line.format(u"%s", text);
    log(line);
}

void seriesimport::showPassing(const wtext& text) {
    log(text);
    host.removeLastLine();
}

void seriesimport::run(uint32_t depth) {
    const uint32_t stored = animation.frameStore() ? animation.frameStore()->frameCount() : 0;
    const seriescount found = countSeries(names, reader, TMPfile::maxFrames - stored, *this);
    if (!found.taken) {
        log(found.refusal.c_str());
        return;
    }
    // Nothing found (no picture 0, or no room left) is nothing to import.
    if (found.total == 0) return;
    first = {found.width, found.height};
    if (!begin()) return;

    host.showProgress(found.total);
    host.updateTitle();
    importFrames(*animation.frameStore(), found.total, depth);
    host.hideProgress();
    if (animation.endImport()) host.updateTitle();
}

// The animation takes the series, or the log says why not and nothing changed.
bool seriesimport::begin() {
    const outcome started = animation.beginImport(first.width, first.height);
    if (started.what == failure::sizeDiffers) {
        const TMPfile& held = *animation.frameStore();
        line.format(u"BMP size %d x %d differs from the animation's %d x %d", first.width,
                    first.height, held.frameWidth(), held.frameHeight());
        log(line);
    } else if (!started.ok()) {
        line.format(u"Temporary file error : %s (system error %u)", temporaryFolder().c_str(),
                    started.error);
        log(line);
    }
    return started.ok();
}

// A picture that changed size since it was counted would give a frame the
// store's size does not describe: it fails like any picture that cannot be
// encoded, and its frame stays empty.
bool seriesimport::matchesFirstSize() const {
    return reader.info().biWidth == first.width && reader.info().biHeight == first.height;
}

void seriesimport::importFrames(TMPfile& store, uint32_t total, uint32_t depth) {
    for (uint32_t n = 0; n < total; ++n) {
        host.setProgress(n);
        showPassing(names.logLineOf(n));
        if (!reader.open(names.pathOf(n).data)) {
            log(u"File Open error");
            return;
        }
        const uint32_t size = reader.load() && matchesFirstSize() ? reader.encode(depth) : 0;
        if (size > 0) {
            host.showPicture(reader);
        } else {
            log(names.logLineOf(n));
            log(u"Encode Error");
        }
        if (!store.appendFrame(reader.payload(), size)) {
            line.format(u"%s : Frame Write error", names.logLineOf(n).data);
            log(line);
            return;
        }
        reader.closeFile();
    }
}

}  // namespace

void importSeries(importhost& host, document& animation, uint32_t depth, const char16_t* path,
                  uint32_t fileOffset, uint32_t extensionOffset) {
    seriesimport(host, animation, path, fileOffset, extensionOffset).run(depth);
}
