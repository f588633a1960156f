// New, Open, Save and Save As: the dialogs, the log lines and the drawing
// around the document's rules. Only replacing an existing file by Save As
// asks a question.
#include "app/filecommands.h"

#include "app/application.h"
#include "app/filedialog.h"
#include "text/wtext.h"

#include <windows.h>

namespace {

void logLine(application& app, const wtext& line) {
    app.mainWindow->logWindow.appendLine(line.data, line.length);
}

// `label` followed by `path`, as long as the path is.
void logPath(application& app, const char16_t* label, const char16_t* path) {
    wtext line(label);
    line.append(path);
    logLine(app, line);
}

// Says why the file could not be opened: it could not be had at all, or what
// it holds is no animation the reader takes.
void logOpenFailure(application& app, const outcome& result) {
    wtext line(96);
    if (result.what == failure::notAnimation)
        line.format(u"Open error : not a Morva file, or damaged");
    else
        line.format(u"Open error : cannot open the file, system error %u", result.error);
    logLine(app, line);
}

// Writes the new frames to `path`. A failure changes nothing but the log,
// which names the path and the system's error code.
bool saveTo(application& app, const char16_t* path) {
    const outcome result = app.animation.save(path);
    if (!result.ok()) {
        wtext line(u"Write Morva error : ");
        line.append(path);
        wtext code(32);
        code.format(u" (system error %u)", result.error);
        line.append(code);
        logLine(app, line);
        return false;
    }
    app.updateTitle();
    return true;
}

bool fileExists(const char16_t* path) {
    return GetFileAttributesW(reinterpret_cast<const wchar_t*>(path)) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void fileNew(application& app) {
    app.animation.clear();
    app.updateTitle();
    app.mainWindow->showSource(nullptr);
}

void fileOpen(application& app) {
    chosenpath chosen;
    if (!askPath(app.mainWindow->hwnd, app.instance, openMorvaForm, chosen)) return;
    const outcome result = app.animation.open(chosen.path.data);
    if (result.ok()) {
        app.updateTitle();
        app.mainWindow->showSource(app.animation.openedFile());
    }
    logPath(app, u"Open Morva : ", chosen.path.data);
    if (!result.ok()) logOpenFailure(app, result);
}

void fileSave(application& app) {
    if (!app.animation.canSave()) return;
    const std::u16string target = app.animation.saveTarget();
    if (target.empty()) {
        fileSaveAs(app);
        return;
    }
    // The file the frames came from was closed to be replaced: the preview
    // plays what was written, as after Save As.
    if (saveTo(app, target.c_str())) app.mainWindow->showSource(app.animation.frameStore());
}

void fileSaveAs(application& app) {
    if (!app.animation.canSave()) return;
    chosenpath chosen;
    if (!askPath(app.mainWindow->hwnd, app.instance, saveMorvaForm, chosen)) return;
    ensureExtension(chosen, saveMorvaForm);
    // The open-file dialog never asks this itself.
    if (fileExists(chosen.path.data) && !replaceQuestion(app.mainWindow->hwnd, chosen.path.data))
        return;
    if (!saveTo(app, chosen.path.data)) return;
    app.mainWindow->showSource(app.animation.frameStore());
    logPath(app, u"Write Morva : ", chosen.path.data);
}
