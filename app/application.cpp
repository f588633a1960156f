#include "app/application.h"

#include "app/loadstring.h"
#include "app/messageloop.h"
#include "resources/resource.h"
#include "text/fatal.h"
#include "text/wtext.h"

#include <iterator>

namespace {

application* registered = nullptr;

constexpr char16_t startLine[] = u"Application Start!";

}  // namespace

application& theApplication() {
    if (!registered) fatal();
    return *registered;
}

application::application(HINSTANCE instance) : instance(instance) {
    if (registered) fatal();
    registered = this;
    mainWindow = std::make_unique<mainwindow>();
}

application::~application() {
    shutdown();
    registered = nullptr;
}

void application::start(int showCommand) {
    titleWords = {loadString(IDS_APP_TITLE).data, loadString(IDS_NEW_DOCUMENT).data,
                  loadString(IDS_MODIFIED).data};
    mainWindow->registerClass();
    mainWindow->createWindows(showCommand);
    updateTitle();
    mainWindow->logWindow.appendLine(startLine, int32_t(std::size(startLine) - 1));
    mainWindow->updateDepthMenu(dataDepth);
}

int application::run() {
    const std::vector<accelerator> keys = loadKeyTable(instance, IDR_MAINMENU);
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatchMessage(keys, message);
    return static_cast<int>(message.wParam);
}

void application::shutdown() {
    animation.clear();
    mainWindow.reset();
}

void application::updateTitle() {
    const std::u16string title = animation.title(titleWords);
    SetWindowTextW(mainWindow->hwnd, reinterpret_cast<const wchar_t*>(title.c_str()));
}
