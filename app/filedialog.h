// The system's open-file dialog, through which Open, Save As and the BMP
// import ask for a path. Tests put a function of their own in its place.
#pragma once

#include "text/wtext.h"

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <functional>

// One use of the dialog: the string ids of its title and of its filter's
// description, the one pattern it lists (also its first file name), its
// flags and the extension for a name typed without one.
struct dialogform {
    uint32_t titleId;
    uint32_t filterId;
    const char16_t* pattern;
    const char16_t* defaultExtension;
    DWORD flags;
};

extern const dialogform openMorvaForm;
extern const dialogform saveMorvaForm;
extern const dialogform openBmpForm;

// The path buffer holds this many characters, the terminator included.
constexpr uint32_t pathBufferLength = 256;

// The chosen path and where its file name and extension start in it.
struct chosenpath {
    wtext path{int32_t(pathBufferLength)};
    uint32_t fileOffset = 0;
    uint32_t extensionOffset = 0;
};

// The system's dialog: GetOpenFileNameW.
BOOL systemFileDialog(OPENFILENAMEW& request);
// The dialog in use, systemFileDialog unless a test answers in its place: it
// writes a path and its offsets into the record and returns TRUE, or returns
// FALSE.
extern std::function<BOOL(OPENFILENAMEW&)> fileDialog;

// Shows the dialog of `form` owned by `owner`. False when it ends without a
// path: cancelled, failed, or an empty or unterminated buffer.
bool askPath(HWND owner, HINSTANCE instance, const dialogform& form, chosenpath& chosen);

// The question before Save As writes over an existing file: a message box
// owned by `owner` that names the file. True when the user answers Yes.
bool systemReplaceQuestion(HWND owner, const char16_t* path);
// The question in use, systemReplaceQuestion unless a test answers it.
extern std::function<bool(HWND owner, const char16_t* path)> replaceQuestion;

// Gives a file name without extension the form's default extension. Not
// every system's dialog does that itself (Wine's does not).
void ensureExtension(chosenpath& chosen, const dialogform& form);
