#include "animfile/document.h"

void document::clear() {
    if (newFile) newFile->close();
    newFile.reset();
    if (openFile) openFile->close();
    openFile.reset();
    modified = false;
    path.clear();
}

outcome document::open(const char16_t* name) {
    const bool hadOpenFile = wasOpen();
    // The file may be the one open now: its handle goes first.
    if (openFile) openFile->close();
    auto opened = std::make_unique<morvafile>();
    const outcome result = opened->open(name);
    if (!result.ok()) {
        if (hadOpenFile) openFile->reopen();
        return result;
    }
    openFile = std::move(opened);
    modified = false;
    path = name;
    return result;
}

std::u16string document::saveTarget() const { return openFile ? path : std::u16string(); }

outcome document::save(const char16_t* target) {
    const bool hadOpenFile = wasOpen();
    // Released, so that it can be replaced when it is the target.
    if (openFile) openFile->close();
    const outcome result = newFile->save(target);
    if (!result.ok()) {
        if (hadOpenFile) openFile->reopen();
        return result;
    }
    modified = false;
    path = target;
    return result;
}

outcome document::beginImport(int32_t width, int32_t height) {
    // Frames of two sizes in one animation would be drawn wrong: the file has
    // one size for all.
    if (newFile && newFile->frameCount() > 0 &&
        (newFile->frameWidth() != width || newFile->frameHeight() != height)) {
        return {failure::sizeDiffers, 0};
    }
    std::unique_ptr<TMPfile> made;
    if (!newFile) made = std::make_unique<TMPfile>();
    TMPfile& store = made ? *made : *newFile;
    const outcome temporary = store.openTempFile();
    if (!temporary.ok()) return temporary;
    importStart = {made ? 0 : newFile->frameCount(), modified, made != nullptr};
    if (made) newFile = std::move(made);
    modified = true;
    store.setFrameSize(width, height);
    return temporary;
}

bool document::endImport() {
    if (newFile->frameCount() > importStart.frames) return false;
    modified = importStart.modified;
    if (importStart.madeStore) newFile.reset();  // its temporary file goes with it
    return true;
}

std::u16string document::title(const titlewords& words) const {
    std::u16string text = words.base;
    if (!path.empty()) {
        text += u" : " + path;
    } else if (newFile) {
        text += u" : " + words.newDocument;
    }
    if (modified) text += words.modified;
    return text;
}
