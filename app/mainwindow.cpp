#include "app/mainwindow.h"

#include "app/application.h"
#include "app/loadstring.h"
#include "app/platformlibraries.h"
#include "resources/resource.h"
#include "shell/layout.h"
#include "text/fatal.h"
#include "text/wtext.h"

namespace {

const wchar_t* wide(const wtext& text) { return reinterpret_cast<const wchar_t*>(text.data); }

rect clientRect(HWND handle) {
    RECT client = {};
    GetClientRect(handle, &client);
    return {client.left, client.top, client.right, client.bottom};
}

}  // namespace

mainwindow::mainwindow()
    : instance(theApplication().instance), logWindow(*this), progressWindow(*this) {}

mainwindow::~mainwindow() {
    frameSource = nullptr;
    // The children went with the main window if that is gone already.
    if (hwnd) {
        DestroyWindow(logWindow.hwnd);
        DestroyWindow(progressWindow.hwnd);
    }
    logWindow.hwnd = nullptr;
    progressWindow.hwnd = nullptr;
    engine.reset();
    if (hwnd) DestroyWindow(hwnd);
}

void mainwindow::registerClass() {
    const wtext className = loadString(IDS_WINDOW_CLASS);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = window::procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MORVA));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_SMALL),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAINMENU);
    windowClass.lpszClassName = wide(className);
    // A failure shows when the window cannot be created.
    RegisterClassExW(&windowClass);

    startPlatformLibraries();
    direct2dAvailable = engines.direct2dAvailable();
}

void mainwindow::createWindows(int showCommand) {
    const wtext className = loadString(IDS_WINDOW_CLASS);
    const wtext title = loadString(IDS_APP_TITLE);
    // The object is bound to the window on WM_CREATE, which sets hwnd.
    CreateWindowExW(0, wide(className), wide(title), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                    CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, this);
    if (!hwnd) fatal();

    const windowlayout first = layoutFor(clientRect(hwnd));
    frameRect = first.frame;
    createLogWindow(first.log);
    createProgressWindow(first.progress);
    // Before the window shows: the first WM_SIZE of its showing resizes the engine.
    makeFirstEngine();

    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
}

void mainwindow::makeFirstEngine() {
    selectEngine(direct2dAvailable ? engineDirect2d : engineGdiPlus);
    if (!direct2dAvailable) grayDirect2dItem();
}

void mainwindow::createLogWindow(const rect& area) {
    logWindow.hwnd = CreateWindowExW(
        0, L"EDIT", L"EDITBOX", WS_CHILD | WS_VSCROLL | ES_READONLY | ES_AUTOVSCROLL | ES_MULTILINE,
        area.left, area.top, area.right - area.left, area.bottom - area.top, hwnd, nullptr,
        instance, &logWindow);
    ShowWindow(logWindow.hwnd, SW_SHOW);
}

// Hidden until a preview or an import shows it.
void mainwindow::createProgressWindow(const rect& area) {
    progressWindow.hwnd = CreateWindowExW(
        0, PROGRESS_CLASSW, L"PROGRESSBAR", WS_CHILD | PBS_SMOOTH, area.left, area.top,
        area.right - area.left, area.bottom - area.top, hwnd, nullptr, instance, &progressWindow);
}

// The progress bar keeps the place it got at creation.
void mainwindow::layout() {
    const windowlayout current = layoutFor(clientRect(hwnd));
    frameRect = current.frame;
    const rect& log = current.log;
    MoveWindow(logWindow.hwnd, log.left, log.top, log.right - log.left, log.bottom - log.top, TRUE);
    // The window's creation sends one before the first engine is made.
    if (engine) engine->resize();
}
