// The Win32 seam end to end: the program's resources are linked in and a real
// window can be created on this system's display.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"

namespace {

std::wstring loadResourceString(UINT id) {
    wchar_t text[100];
    int length = LoadStringW(GetModuleHandleW(nullptr), id, text, 100);
    return std::wstring(text, length > 0 ? length : 0);
}

}  // namespace

TEST(Seam, StringResourcesHoldTheJapaneseTexts) {
    EXPECT_EQ(loadResourceString(IDS_APP_TITLE), L"\u30e2\u30eb\u30d0\u30c4\u30fc\u30eb ver.2");
    EXPECT_EQ(loadResourceString(IDS_WINDOW_CLASS), L"MORVATOOL2");
    EXPECT_EQ(loadResourceString(IDS_NEW_DOCUMENT), L"(\u65b0\u898f)");
    EXPECT_EQ(loadResourceString(IDS_MODIFIED), L"(\u66f4\u65b0)");
}

TEST(Seam, AWindowCarriesTheLoadedTitle) {
    std::wstring title = loadResourceString(IDS_APP_TITLE);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MorvaSeamTest";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);

    HWND window = CreateWindowExW(0, windowClass.lpszClassName, title.c_str(),
                                  WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr) << "no display? CreateWindowExW failed with " << GetLastError();
    wchar_t shown[100] = {};
    GetWindowTextW(window, shown, 100);
    EXPECT_EQ(std::wstring(shown), title);

    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_GT(client.right, 0);
    DestroyWindow(window);
    UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
}
