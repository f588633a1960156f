#include "cli/newfile.h"

#include "cli/console.h"
#include "cli/interrupt.h"
#include "platform/utf8.h"

#include <filesystem>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;

// A unique file is made private to its owner; the output gets the mode of
// the file it replaces, or else the mode any new file of the user's gets.
// Only the main thread creates files.
void giveMode(const std::u16string& path, const fs::path& replaced) {
#ifndef _WIN32
    struct stat old {};
    if (::stat(replaced.c_str(), &old) == 0) {
        ::chmod(bytesOfPath(path.c_str()).c_str(), old.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(bytesOfPath(path.c_str()).c_str(), 0666 & ~mask);
#else
    (void)path;
    (void)replaced;
#endif
}

constexpr uint32_t accessDenied =
#ifdef _WIN32
    ERROR_ACCESS_DENIED;
#else
    EACCES;
#endif

}  // namespace

newfile::newfile(std::u16string name) : target(std::move(name)) {
    std::error_code failed;
    const fs::path path = systemPath(target);
    const fs::file_status status = fs::status(path, failed);
    if (!target.empty() &&
        (target.back() == u'/' || target.back() == u'\\' || fs::is_directory(status))) {
        reason = "it is a folder: -o takes the name of a file";
        return;
    }
    // Read-only files stay as they are, as Windows keeps them.
    const fs::perms writable =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (fs::exists(status) && (status.permissions() & writable) == fs::perms::none) {
        error = accessDenied;
        return;
    }
    // Through a symbolic link to the file it names: the link stays.
    if (fs::is_symlink(fs::symlink_status(path, failed))) {
        const fs::path real = fs::weakly_canonical(path, failed);
        if (!failed) target = nameOf(real);
    }
    std::u16string folder = folderOf(target);
    interruptsheld held;  // made and known to the handler in one step
    partial = makeUniqueFile(folder.empty() ? u"./" : folder, u"MRV");
    if (partial.empty()) {
        error = fileError();
        return;
    }
    giveMode(partial, systemPath(target));
    takeBackOnInterrupt(partial);
}

newfile::~newfile() {
    handle.close();
    interruptsheld held;
    if (made() && !placed) removeFile(partial.c_str());
    if (made()) keepOnInterrupt(partial);
}

filehandle& newfile::file() {
    if (!handle.isOpen() && made()) handle = createFile(partial.c_str(), fileshare::none);
    return handle;
}

bool newfile::place() {
    if (handle.isOpen() && !handle.flush()) {
        error = fileError();
        return false;
    }
    handle.close();
    interruptsheld held;
    placed = replaceFile(partial.c_str(), target.c_str());
    if (!placed)
        error = fileError();
    else
        keepOnInterrupt(partial);
    return placed;
}

std::string newfile::why() const { return reason.empty() ? systemMessage(error) : reason; }
