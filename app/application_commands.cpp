// The command dispatch: every menu item and accelerator by its id. No command
// asks about unsaved changes.
#include "app/application.h"
#include "app/filecommands.h"
#include "resources/resource.h"

bool application::command(uint32_t id) {
    const bool handled = dispatch(id);
    // Lines that came faster than the screen was updated show now.
    mainWindow->logWindow.showPending();
    return handled;
}

bool application::dispatch(uint32_t id) {
    switch (id) {
    case IDM_FILE_NEW: fileNew(*this); return true;
    case IDM_FILE_OPEN: fileOpen(*this); return true;
    case IDM_FILE_SAVE: fileSave(*this); return true;
    case IDM_FILE_SAVE_AS: fileSaveAs(*this); return true;
    // Its WM_DESTROY ends the message loop.
    case IDM_EXIT: DestroyWindow(mainWindow->hwnd); return true;
    case IDM_PREVIEW: mainWindow->togglePreview(); return true;
    case IDM_IMPORT_BMP: importBmpSeries(*this); return true;
    // Accepted and ignored: there is no movie import and no About box.
    case IDM_IMPORT_WMV:
    case IDM_ABOUT: return true;
    }
    if (const enginerow* row = engineOfCommand(id)) {
        // Direct2D's item is grayed where it is not available; the command
        // may still come from elsewhere.
        if (row->kind != engineDirect2d || mainWindow->direct2dAvailable)
            mainWindow->selectEngine(row->kind);
        return true;
    }
    if (id >= IDM_DEPTH_8 && id <= IDM_DEPTH_1) {
        // Takes effect at the next import; the animation and the title stay.
        dataDepth = int32_t(8 - (id - IDM_DEPTH_8));
        mainWindow->updateDepthMenu(dataDepth);
        return true;
    }
    return false;
}
