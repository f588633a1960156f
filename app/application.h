// The application record: the main window, the animation that is open or
// being built, and the settings of this run. One exists at a time, registered
// process-wide so that the window procedure and the commands reach it.
#pragma once

#include "animfile/document.h"
#include "app/mainwindow.h"

#include <windows.h>

#include <cstdint>
#include <memory>

class application {
public:
    // Registers the record, then makes the main window object, which reads
    // the instance through the registration. A second record is fatal.
    explicit application(HINSTANCE instance);
    // Tears down what shutdown has not, then ends the registration.
    ~application();
    application(const application&) = delete;
    application& operator=(const application&) = delete;

    // Platform libraries and the Direct2D test, the windows with the first
    // engine, then the title, the first log line and the depth's check mark.
    // Every start is a first one: nothing is kept between runs.
    void start(int showCommand);
    // The message loop; returns the exit code it ends with.
    int run();
    // The animation first, then the main window. Unsaved changes are
    // discarded.
    void shutdown();
    // The base title, the document shown and whether it has unsaved changes.
    void updateTitle();
    // A menu or accelerator command; false when the id is none of them.
    bool command(uint32_t id);

    HINSTANCE instance;
    std::unique_ptr<mainwindow> mainWindow;
    document animation;
    int32_t dataDepth = 6;

private:
    bool dispatch(uint32_t id);

    titlewords titleWords;
};

// The registered record. Reaching it while none is registered is fatal.
application& theApplication();
