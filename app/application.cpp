#include "app/application.h"

#include "app/fatal.h"
#include "app/messageloop.h"
#include "app/wtext.h"
#include "resources/resource.h"

#include <iterator>

namespace {

application* registered = nullptr;

constexpr char16_t startLine[] = u"Application Start!";

}  // namespace

application& theApplication()
{
    if (!registered) fatal();
    return *registered;
}

application::application(HINSTANCE instance) : instance(instance)
{
    if (registered) fatal();
    registered = this;
    mainWindow = std::make_unique<mainwindow>();
}

application::~application()
{
    shutdown();
    registered = nullptr;
}

void application::start(int showCommand)
{
    mainWindow->registerClass();
    mainWindow->createWindows(showCommand);
    updateTitle();
    mainWindow->logWindow.appendLine(startLine, int32_t(std::size(startLine) - 1));
    mainWindow->updateDepthMenu(dataDepth);
    mainWindow->makeFirstEngine();
}

int application::run()
{
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatchMessage(accelerators, message);
    return static_cast<int>(message.wParam);
}

void application::shutdown()
{
    if (newFile) {
        newFile->close();
        newFile.reset();
    }
    if (openFile) {
        openFile->close();
        openFile.reset();
    }
    mainWindow.reset();
}

void application::updateTitle()
{
    wtext title = wtext::loadString(IDS_APP_TITLE);
    const char16_t* openPath = openFile ? openFile->openPath() : nullptr;
    const char16_t* document = openPath ? openPath : newFile ? newFile->documentName() : nullptr;
    if (document) {
        title.append(u" : ");
        title.append(document);
    }
    if (modified) title.append(wtext::loadString(IDS_MODIFIED));
    SetWindowTextW(mainWindow->hwnd, reinterpret_cast<const wchar_t*>(title.data));
}
