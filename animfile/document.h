// The animation the user works on: the file that is open, the frames of a new
// animation, whether they are saved, and the file the title names. It holds
// the rules of New, Open, Save, Save As and the import's start; the commands
// around it only ask for paths, draw and write the log.
#pragma once

#include "animfile/morvafile.h"
#include "animfile/outcome.h"
#include "animfile/tmpfile.h"

#include <memory>
#include <string>

// The texts of the window title: the program's name, the name of a new
// animation that was never saved, and the mark of unsaved changes.
struct titlewords {
    std::u16string base;
    std::u16string newDocument;
    std::u16string modified;
};

class document {
public:
    // New: the open file and the new frames go, unsaved or not.
    void clear();
    // Open: `path` becomes the open file. On failure everything stays as it
    // was, the open file included.
    outcome open(const char16_t* path);
    // Save writes only when there are unsaved frames.
    bool canSave() const { return modified && newFile; }
    // Where Save writes: the file the title names while a file was opened;
    // empty when Save must ask for a path, as Save As does.
    std::u16string saveTarget() const;
    // Writes the new frames to `path`, which then is the document's file. A
    // failure changes nothing: the open file is open again, the frames are
    // unsaved, and the next Save tries the same file.
    outcome save(const char16_t* path);
    // The start of an import of pictures of width x height (one or more):
    // its frames go after those held already, which must have that size. On
    // success the frame store exists with its temporary file, the animation
    // is modified and its size is the pictures'; on failure nothing changed.
    outcome beginImport(int32_t width, int32_t height);
    // The end of an import whose beginImport succeeded: one that brought no
    // frame leaves the animation as it was before, so that a Save cannot
    // write an animation emptied by it. True when the animation went back.
    bool endImport();

    std::u16string title(const titlewords& words) const;

    // The file Open opened, or none; the frames of a new animation, or none.
    morvafile* openedFile() const { return openFile.get(); }
    TMPfile* frameStore() const { return newFile.get(); }
    // The frames held have changes no Save wrote yet.
    bool isModified() const { return modified; }

private:
    bool wasOpen() const { return openFile && openFile->openPath(); }

    // What the import under way found when it began.
    struct importstart {
        uint32_t frames = 0;
        bool modified = false;
        bool madeStore = false;
    } importStart;

    std::unique_ptr<morvafile> openFile;
    std::unique_ptr<TMPfile> newFile;
    bool modified = false;
    std::u16string path;  // the file the title names; empty for none
};
