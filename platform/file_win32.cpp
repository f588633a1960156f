// Win32 file layer: CreateFileW handles with positioned transfers through an
// OVERLAPPED offset on a handle opened for synchronous I/O.
#include "platform/file.h"

#include <windows.h>

#include <cwchar>
#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected");

namespace {

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

HANDLE toHandle(intptr_t native) { return reinterpret_cast<HANDLE>(native); }

OVERLAPPED at(uint64_t position) {
    OVERLAPPED place = {};
    place.Offset = static_cast<DWORD>(position);
    place.OffsetHigh = static_cast<DWORD>(position >> 32);
    return place;
}

DWORD attributesOf(unsigned flags) {
    DWORD attributes = (flags & fileTemporary) ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
    if (flags & fileRandomAccess) attributes |= FILE_FLAG_RANDOM_ACCESS;
    return attributes;
}

DWORD shareModeOf(fileshare share) { return share == fileshare::read ? FILE_SHARE_READ : 0; }

// A path of MAX_PATH characters or more in the \\?\ form, which lifts the
// limit but takes only full paths; shorter paths stay as they are.
std::wstring anyLength(const std::wstring& path) {
    if (path.size() < MAX_PATH || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The volume and index that tell a file from every other; false when `path`
// names none. A folder opens too, with backup semantics.
bool identityOf(const char16_t* path, BY_HANDLE_FILE_INFORMATION& identity) {
    const HANDLE file = CreateFileW(anyLength(wide(path)).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, &identity) != 0;
    CloseHandle(file);
    return known;
}

}  // namespace

void filehandle::close() {
    if (isOpen()) CloseHandle(toHandle(native));
    native = invalid;
}

uint32_t filehandle::readAt(uint64_t position, void* buffer, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        OVERLAPPED place = at(position + done);
        DWORD got = 0;
        if (!ReadFile(toHandle(native), static_cast<char*>(buffer) + done, count - done, &got,
                      &place)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return done;
        }
        if (got == 0) break;
        done += got;
    }
    if (done < count) SetLastError(ERROR_SUCCESS);  // the file ended, as on other systems
    return done;
}

uint32_t filehandle::writeAt(uint64_t position, const void* buffer, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        OVERLAPPED place = at(position + done);
        DWORD put = 0;
        if (!WriteFile(toHandle(native), static_cast<const char*>(buffer) + done, count - done,
                       &put, &place) ||
            put == 0)
            return done;
        done += put;
    }
    return done;
}

bool filehandle::flush() { return FlushFileBuffers(toHandle(native)) != 0; }

bool filehandle::setEnd(uint64_t position) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(toHandle(native), distance, nullptr, FILE_BEGIN) &&
           SetEndOfFile(toHandle(native));
}

uint64_t filehandle::size() {
    LARGE_INTEGER value;
    return GetFileSizeEx(toHandle(native), &value) ? static_cast<uint64_t>(value.QuadPart) : 0;
}

filehandle openExistingFile(const char16_t* path, fileaccess access, fileshare share,
                            unsigned flags) {
    DWORD desired = access == fileaccess::read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    DWORD attributes = (flags & fileRandomAccess) ? FILE_FLAG_RANDOM_ACCESS : 0;
    HANDLE handle = CreateFileW(wide(path), desired, shareModeOf(share), nullptr, OPEN_EXISTING,
                                attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return filehandle();
    return filehandle(reinterpret_cast<intptr_t>(handle));
}

filehandle createFile(const char16_t* path, fileshare share, unsigned flags) {
    HANDLE handle = CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE, shareModeOf(share),
                                nullptr, CREATE_ALWAYS, attributesOf(flags), nullptr);
    if (handle == INVALID_HANDLE_VALUE) return filehandle();
    return filehandle(reinterpret_cast<intptr_t>(handle));
}

uint32_t fileError() { return GetLastError(); }

uint32_t noMemoryError() { return ERROR_NOT_ENOUGH_MEMORY; }

std::u16string temporaryFolder() {
    wchar_t folder[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return std::u16string();
    return std::u16string(reinterpret_cast<const char16_t*>(folder), length);
}

// GetTempFileNameW takes no folder longer than MAX_PATH - 14 (Wine's overruns
// the caller's buffer instead), yet a target of 255 characters may lie in one.
// So the name is made here as it makes it: the prefix, a hexadecimal number
// from the tick count, ".tmp", created only if no such file exists. A path of
// MAX_PATH characters or more comes back in the \\?\ form.
std::u16string makeUniqueFile(const std::u16string& folder, const char16_t* prefix) {
    const std::wstring stem = std::wstring(wide(folder.c_str())) + wide(prefix);
    const DWORD start = GetTickCount();
    for (DWORD attempt = 0; attempt <= 0xFFFF; ++attempt) {
        wchar_t number[16];
        std::swprintf(number, 16, L"%04X.tmp", unsigned((start + attempt) & 0xFFFF));
        const std::wstring name = anyLength(stem + number);
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return std::u16string(reinterpret_cast<const char16_t*>(name.c_str()), name.size());
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return std::u16string();
}

// Windows refuses to replace a read-only file, but Wine replaces it (a rename
// asks nothing of the file it replaces): refuse as Windows does.
bool replaceFile(const char16_t* source, const char16_t* target) {
    const DWORD attributes = GetFileAttributesW(wide(target));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExW(wide(source), wide(target),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const char16_t* path) { return DeleteFileW(wide(path)) != 0; }

bool sameFile(const char16_t* first, const char16_t* second) {
    BY_HANDLE_FILE_INFORMATION one, other;
    return identityOf(first, one) && identityOf(second, other) &&
           one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}
