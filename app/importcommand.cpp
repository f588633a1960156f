// The BMP import command: the file dialog, then the import with the program
// as its host, drawing each picture through the main window's engine.
#include "app/application.h"
#include "app/filecommands.h"
#include "app/filedialog.h"
#include "import/bmpfile.h"
#include "import/bmpimport.h"
#include "shell/pacer.h"

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
    // The bar and the pictures follow at the screen's pace (see pacer.h).
    void setProgress(uint32_t position) override {
        const uint64_t now = window.clock();
        if (!bar.due(now)) return;
        window.progressWindow.setPosition(position);
        bar.made(now, window.clock());
    }
    void showPicture(bmpfile& picture) override {
        skipped = &picture;
        const uint64_t now = window.clock();
        if (!pictures.due(now)) return;
        draw(picture);
        pictures.made(now, window.clock());
    }
    // The frame pass has ended: the last picture shows, whatever the pace skipped.
    void hideProgress() override {
        if (skipped) draw(*skipped);
        window.progressWindow.hide();
    }
    void updateTitle() override { app.updateTitle(); }

private:
    // The message loop does not run during an import: repaint at once.
    void draw(bmpfile& picture) {
        skipped = nullptr;
        if (picture.show(*window.engine, window.frameRect)) UpdateWindow(window.hwnd);
    }

    application& app;
    mainwindow& window;
    pacer bar;
    pacer pictures;
    bmpfile* skipped = nullptr;  // the reader whose picture was not drawn yet
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
