// The check marks of the Settings menu, set by position: Settings is the third
// menu, Engine its first submenu and Data depth its second.
#include "app/mainwindow.h"

#include <iterator>

namespace {

constexpr int settingsPosition = 2;
constexpr int enginePosition = 0;
constexpr int depthPosition = 1;
constexpr int32_t deepest = 8;

HMENU settingsSubmenu(HWND handle, int position) {
    return GetSubMenu(GetSubMenu(GetMenu(handle), settingsPosition), position);
}

// Only the check mark changes: a disabled item stays disabled.
void checkOnly(HMENU menu, int checkedPosition, int count) {
    for (int position = 0; position < count; ++position) {
        const UINT mark = position == checkedPosition ? MF_CHECKED : MF_UNCHECKED;
        CheckMenuItem(menu, position, MF_BYPOSITION | mark);
    }
}

}  // namespace

void mainwindow::checkEngine(engineindex kind) {
    checkOnly(settingsSubmenu(hwnd, enginePosition), kind, int(std::size(engineTable)));
}

void mainwindow::grayDirect2dItem() {
    EnableMenuItem(settingsSubmenu(hwnd, enginePosition), engineDirect2d,
                   MF_BYPOSITION | MF_DISABLED | MF_GRAYED);
}

// Depth 8 is the first item, depth 1 the last.
void mainwindow::updateDepthMenu(int32_t depth) {
    if (depth < 1 || depth > deepest) return;
    checkOnly(settingsSubmenu(hwnd, depthPosition), deepest - depth, deepest);
}
