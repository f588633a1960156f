#include "app/settingsstore.h"

#include "platform/scopedwin.h"

#include <windows.h>

const wchar_t* const settingsKey = L"Software\\Morva";

storedvalue readSetting(const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, settingsKey, name, RRF_RT_ANY, &type, nullptr, &size) != ERROR_SUCCESS ||
        size > 1024) {
        return {};
    }
    storedvalue value{type, std::vector<uint8_t>(size)};
    if (RegGetValueW(HKEY_CURRENT_USER, settingsKey, name, RRF_RT_ANY, &type, value.bytes.data(), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    value.bytes.resize(size);
    return value;
}

void writeSetting(const wchar_t* name, const storedvalue& value) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    const scopedkey key(opened);
    RegSetValueExW(key, name, 0, value.type, value.bytes.data(), DWORD(value.bytes.size()));
}
