// New, Open, Save and Save As. None asks for confirmation: New discards
// unsaved frames, and Open keeps the frame store while clearing `modified`.
#include "app/filecommands.h"

#include "app/application.h"
#include "app/filedialog.h"
#include "app/wtext.h"

#include <memory>

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

// Writes the frame store to `path`. A failure leaves the animation modified
// and the old file as it was, and the log names the path and the system's
// error code.
bool saveStore(application& app, const char16_t* path) {
    const saveresult result = app.newFile->save(path);
    if (!result.ok) {
        wtext line(u"Write Morva error : ");
        line.append(path);
        wtext code(32);
        code.format(u" (system error %u)", result.error);
        line.append(code);
        logLine(app, line);
        return false;
    }
    app.modified = false;
    app.updateTitle();
    return true;
}

// Says why the file just tried could not be opened: it could not be had at
// all, or what it holds is no animation the reader takes.
void logOpenFailure(application& app, bool heldFile, uint32_t error) {
    wtext line(96);
    if (heldFile)
        line.format(u"Open error : not a Morva file, or damaged");
    else
        line.format(u"Open error : cannot open the file, system error %u", error);
    logLine(app, line);
}

}  // namespace

void fileNew(application& app) {
    if (app.newFile) {
        app.newFile->close();
        app.newFile.reset();
    }
    if (app.openFile) {
        app.openFile->close();
        app.openFile.reset();
    }
    app.modified = false;
    app.updateTitle();
    app.mainWindow->showSource(nullptr);
}

void fileOpen(application& app) {
    chosenpath chosen;
    if (!askPath(app.mainWindow->hwnd, app.instance, openMorvaForm, chosen)) return;
    if (app.openFile) app.openFile->close();
    app.openFile = std::make_unique<morvafile>();
    if (app.openFile->open(chosen.path.data)) {
        app.modified = false;
        app.updateTitle();
        app.mainWindow->showSource(app.openFile.get());
        logPath(app, u"Open Morva : ", chosen.path.data);
        return;
    }
    // A file that cannot be read is not kept open, and the unsaved frames
    // stay modified: nothing was opened in their place.
    const uint32_t error = fileError();
    const bool heldFile = app.openFile->handle.isOpen();
    app.openFile->close();
    app.openFile.reset();
    app.updateTitle();
    app.mainWindow->showSource(nullptr);
    logPath(app, u"Open Morva : ", chosen.path.data);
    logOpenFailure(app, heldFile, error);
}

void fileSave(application& app) {
    if (!app.modified || !app.newFile) return;
    if (!app.openFile) {
        fileSaveAs(app);
        return;
    }
    // A file closed by an earlier save offers no path: the store's own saved
    // path serves then, and without one Save As asks for a path.
    const char16_t* openPath = app.openFile->openPath();
    const wtext target(openPath ? openPath : app.newFile->savedPath.data);
    if (target.length == 0) {
        fileSaveAs(app);
        return;
    }
    // Released, so that the file can be replaced.
    app.openFile->close();
    saveStore(app, target.data);
}

void fileSaveAs(application& app) {
    if (!app.modified || !app.newFile) return;
    chosenpath chosen;
    if (!askPath(app.mainWindow->hwnd, app.instance, saveMorvaForm, chosen)) return;
    ensureExtension(chosen, saveMorvaForm);
    // Closed but kept, so that the chosen path may be this very file.
    if (app.openFile) app.openFile->close();
    if (!saveStore(app, chosen.path.data)) return;
    app.mainWindow->showSource(app.newFile.get());
    logPath(app, u"Write Morva : ", chosen.path.data);
}
