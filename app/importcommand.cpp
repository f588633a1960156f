// The BMP import command: the file dialog, then the import with the program
// as its host, drawing each picture through the main window's engine.
#include "app/application.h"
#include "app/filecommands.h"
#include "app/filedialog.h"
#include "import/bmpfile.h"
#include "import/bmpimport.h"

namespace {

class programhost final : public importhost {
public:
    explicit programhost(application& app) : app(app), window(*app.mainWindow) {}

    void appendLine(const char16_t* text, int32_t length) override {
        window.logWindow.appendLine(text, length);
    }
    void removeLastLine() override { window.logWindow.removeLastLine(); }
    void showProgress(uint32_t total) override {
        window.progressWindow.show();
        window.progressWindow.setRange(total);
    }
    void setProgress(uint32_t position) override { window.progressWindow.setPosition(position); }
    void hideProgress() override { window.progressWindow.hide(); }
    // The message loop does not run during an import: repaint at once.
    void showPicture(bmpfile& picture) override {
        if (picture.show(*window.engine, window.frameRect)) UpdateWindow(window.hwnd);
    }
    void updateTitle() override { app.updateTitle(); }

private:
    application& app;
    mainwindow& window;
};

}  // namespace

void importSeries(application& app, const char16_t* path, uint32_t fileOffset,
                  uint32_t extensionOffset) {
    programhost host(app);
    importSeries(host, app.animation, uint32_t(app.dataDepth), path, fileOffset, extensionOffset);
}

void importBmpSeries(application& app) {
    chosenpath chosen;
    if (askPath(app.mainWindow->hwnd, app.instance, openBmpForm, chosen))
        importSeries(app, chosen.path.data, chosen.fileOffset, chosen.extensionOffset);
}
