// The program's menu, accelerator table, icons, version and manifest as the
// system loads them from the executable.
#include "resources/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

HINSTANCE self() { return GetModuleHandleW(nullptr); }

struct menuitem {
    std::wstring text;
    UINT id;
    UINT type;
    UINT state;
    HMENU submenu;
};

menuitem itemAt(HMENU menu, int position) {
    wchar_t text[100] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 100;
    EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info));
    return {text, info.wID, info.fType, info.fState, info.hSubMenu};
}

std::vector<std::wstring> texts(HMENU menu) {
    std::vector<std::wstring> all;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) all.push_back(itemAt(menu, i).text);
    return all;
}

std::vector<UINT> ids(HMENU menu) {
    std::vector<UINT> all;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) all.push_back(itemAt(menu, i).id);
    return all;
}

class MainMenu : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(menu, nullptr); }
    void TearDown() override { DestroyMenu(menu); }
    HMENU submenu(int position) { return GetSubMenu(menu, position); }

    HMENU menu = LoadMenuW(self(), MAKEINTRESOURCEW(IDR_MAINMENU));
};

TEST_F(MainMenu, MenuBarWithHelpRightJustified) {
    EXPECT_EQ(texts(menu), (std::vector<std::wstring>{L"ファイル(&F)", L"モルバ(&K)", L"設定(&S)",
                                                      L"ヘルプ(&H)"}));
    for (int position = 0; position < 3; ++position) {
        EXPECT_FALSE(itemAt(menu, position).type & MFT_RIGHTJUSTIFY) << position;
    }
    EXPECT_TRUE(itemAt(menu, 3).type & MFT_RIGHTJUSTIFY);
}

TEST_F(MainMenu, FileMorvaAndHelpMenus) {
    const struct {
        int position;
        std::vector<std::wstring> texts;
        std::vector<UINT> ids;
    } menus[] = {
        {0, {L"新規作成(&N)", L"開く(&O)", L"保存(&S)", L"名前を付けて保存(&A)", L"アプリケーションの終了(&X)"},
         {32786, 32777, 32778, 32779, 105}},
        {1, {L"プレビュー(&P)", L"WMVファイルのインポート(&W)", L"BMPファイル群のインポート(&B)"}, {32780, 32783, 32782}},
        {3, {L"バージョン情報(&A)..."}, {104}},
    };
    for (const auto& m : menus) {
        EXPECT_EQ(texts(submenu(m.position)), m.texts) << m.position;
        EXPECT_EQ(ids(submenu(m.position)), m.ids) << m.position;
    }
}

TEST_F(MainMenu, SettingsMenuWithEngineAndDepthSubmenus) {
    HMENU settings = submenu(2);
    EXPECT_EQ(texts(settings), (std::vector<std::wstring>{L"エンジンの変更(&E)", L"データ深度(&D)"}));
    HMENU engines = GetSubMenu(settings, 0);
    EXPECT_EQ(texts(engines), (std::vector<std::wstring>{L"GDI(&G)", L"GDI+(&P)", L"Direct2D(&D)"}));
    EXPECT_EQ(ids(engines), (std::vector<UINT>{32798, 32799, 32800}));
    EXPECT_TRUE(itemAt(engines, 0).state & MFS_CHECKED);
    EXPECT_FALSE(itemAt(engines, 1).state & MFS_CHECKED);
    EXPECT_FALSE(itemAt(engines, 2).state & MFS_CHECKED);

    HMENU depths = GetSubMenu(settings, 1);
    EXPECT_EQ(texts(depths), (std::vector<std::wstring>{L"&8bit", L"&7bit", L"&6bit", L"&5bit",
                                                        L"&4bit", L"&3bit", L"&2bit", L"&1bit"}));
    EXPECT_EQ(ids(depths),
              (std::vector<UINT>{32810, 32811, 32812, 32813, 32814, 32815, 32816, 32817}));
}

TEST(AcceleratorTable, HoldsTheSixKeysWithoutMenuHighlighting) {
    HACCEL table = LoadAcceleratorsW(self(), MAKEINTRESOURCEW(IDR_MAINMENU));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8] = {};
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 8), 6);
    const ACCEL expected[] = {
        {FALT | FNOINVERT, '/', 104},   {FALT | FNOINVERT, '?', 104},
        {FALT | FNOINVERT, 'n', 32786}, {FALT | FNOINVERT, 'o', 32777},
        {FALT | FNOINVERT, 's', 32778}, {FVIRTKEY | FNOINVERT, VK_SPACE, 32780},
    };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(entries[i].fVirt, expected[i].fVirt) << i;
        EXPECT_EQ(entries[i].key, expected[i].key) << i;
        EXPECT_EQ(entries[i].cmd, expected[i].cmd) << i;
    }
}

// The sizes listed in an icon group resource (0 stands for 256).
std::vector<int> iconSizes(int id) {
    HRSRC found = FindResourceW(self(), MAKEINTRESOURCEW(id), RT_GROUP_ICON);
    if (!found) return {};
    const BYTE* group = static_cast<const BYTE*>(LockResource(LoadResource(self(), found)));
    const int count = group[4] | group[5] << 8;
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const BYTE width = group[6 + 14 * i];
        sizes.push_back(width ? width : 256);
    }
    return sizes;
}

int loadedIconWidth(int id, int size) {
    HICON icon = static_cast<HICON>(LoadImageW(self(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
    if (!icon) return 0;
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return bitmap.bmWidth;
}

TEST(Icons, LargeAndSmallIconsInTheirSizes) {
    EXPECT_EQ(iconSizes(IDI_MORVA), (std::vector<int>{16, 24, 32, 48, 256}));
    EXPECT_EQ(iconSizes(IDI_SMALL), (std::vector<int>{16, 20, 24, 32}));
    EXPECT_EQ(loadedIconWidth(IDI_MORVA, 32), 32);
    EXPECT_EQ(loadedIconWidth(IDI_MORVA, 48), 48);
    EXPECT_EQ(loadedIconWidth(IDI_SMALL, 16), 16);
}

std::wstring versionString(const void* block, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(block, key.c_str(), reinterpret_cast<void**>(&value), &length)) return L"";
    return std::wstring(value, length && value[length - 1] == 0 ? length - 1 : length);
}

TEST(Version, NamesTheProgramAndItsVersion) {
    HRSRC found = FindResourceW(self(), MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    ASSERT_NE(found, nullptr);
    const DWORD size = SizeofResource(self(), found);
    // VerQueryValueW wants a block it may write to.
    std::vector<BYTE> block(static_cast<const BYTE*>(LockResource(LoadResource(self(), found))),
                            static_cast<const BYTE*>(LockResource(LoadResource(self(), found))) + size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
    EXPECT_EQ(versionString(block.data(), L"ProductName"), L"モルバツール");
    EXPECT_EQ(versionString(block.data(), L"FileVersion"), L"2.0.0.0");
    EXPECT_EQ(versionString(block.data(), L"OriginalFilename"), L"morva.exe");
}

TEST(Manifest, AsksForCommonControlsSixDpiAwarenessAndCurrentSystems) {
    HRSRC found = FindResourceW(self(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(self(), found))),
                               SizeofResource(self(), found));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    // Windows 10 and 11.
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
}

}  // namespace
