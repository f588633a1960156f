// The program's entry. The command line is ignored.
#include "app/application.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    application app(instance);
    app.start(showCommand);
    const int exitCode = app.run();
    app.shutdown();
    return exitCode;
}
