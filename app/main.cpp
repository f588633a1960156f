// The program's entry. The command line is ignored.
#include "app/application.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // An import or a save runs inside its command without reading the queue.
    // After 5 seconds of that the system would lay a frozen copy titled
    // "(Not Responding)" over the window and hide the progress the command
    // draws; without the copy, the window's own drawing stays on screen.
    DisableProcessWindowsGhosting();
    application app(instance);
    app.start(showCommand);
    const int exitCode = app.run();
    app.shutdown();
    return exitCode;
}
