// The one file layer that readers and stores use: open, create, positioned
// transfers that report how many bytes moved, flush, truncate, close.
// Win32 and POSIX implementations share this interface; paths are UTF-16.
#pragma once

#include <cstdint>
#include <string>

enum class fileaccess { read, readWrite };

// What other openers may do while we hold the file.
enum class fileshare { none, read };

// Options that only change how the system treats the file.
enum fileflags : unsigned {
    fileRandomAccess = 1,  // read in no particular order (hint only)
    fileTemporary = 2,     // short-lived scratch file (hint only)
};

class filehandle {
public:
    filehandle() = default;
    ~filehandle() { close(); }
    filehandle(filehandle&& other) noexcept : native(other.native) { other.native = invalid; }
    filehandle& operator=(filehandle&& other) noexcept;
    filehandle(const filehandle&) = delete;
    filehandle& operator=(const filehandle&) = delete;

    bool isOpen() const { return native != invalid; }
    void close();

    // Positioned transfers: the number of bytes moved, short on end of file
    // (then fileError() is 0) or error (then fileError() tells why).
    uint32_t readAt(uint64_t position, void* buffer, uint32_t count);
    uint32_t writeAt(uint64_t position, const void* buffer, uint32_t count);

    bool flush();
    bool setEnd(uint64_t position);
    // The file's length in bytes; 0 when it cannot be asked (then fileError()
    // tells why), which every reader refuses as it refuses an empty file.
    uint64_t size();

private:
    friend filehandle openExistingFile(const char16_t*, fileaccess, fileshare, unsigned);
    friend filehandle createFile(const char16_t*, fileshare, unsigned);
    static constexpr intptr_t invalid = -1;
    explicit filehandle(intptr_t handle) : native(handle) {}
    intptr_t native = invalid;
};

// Opens a file that must exist. The result is not open on failure.
filehandle openExistingFile(const char16_t* path, fileaccess access, fileshare share,
                            unsigned flags = 0);
// Creates a file for reading and writing, emptying any file already there.
filehandle createFile(const char16_t* path, fileshare share, unsigned flags = 0);

// The system error code of the last failed call of this layer on this thread
// (GetLastError on Windows, errno elsewhere).
uint32_t fileError();
// The system's code for running out of memory, for an allocation that failed.
uint32_t noMemoryError();

// The folder for temporary files, with a trailing separator; empty on failure.
std::u16string temporaryFolder();
// Creates a new, empty file in `folder` whose unique name starts with
// `prefix`, and returns its path; empty on failure.
std::u16string makeUniqueFile(const std::u16string& folder, const char16_t* prefix);
// Puts `source` in the place of `target` in one step, replacing it if present.
bool replaceFile(const char16_t* source, const char16_t* target);
bool removeFile(const char16_t* path);
// Whether both paths name one existing file, whatever links or spellings lead
// there; false when either names none.
bool sameFile(const char16_t* first, const char16_t* second);
// The folder part of a path including its last separator; empty when none.
std::u16string folderOf(const std::u16string& path);
