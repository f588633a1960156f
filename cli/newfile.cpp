#include "cli/newfile.h"

#include "cli/interrupt.h"
#include "platform/utf8.h"

#include <utility>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// A unique file is made private to its owner; the output gets the mode any
// new file of the user's gets. Only the main thread creates files.
void giveUsualMode(const std::u16string& path) {
#ifndef _WIN32
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(utf8Of(path.c_str()).c_str(), 0666 & ~mask);
#else
    (void)path;
#endif
}

}  // namespace

newfile::newfile(std::u16string target) : target(std::move(target)) {
    std::u16string folder = folderOf(this->target);
    interruptsheld held;  // made and known to the handler in one step
    partial = makeUniqueFile(folder.empty() ? u"./" : folder, u"MRV");
    if (partial.empty()) {
        error = fileError();
        return;
    }
    giveUsualMode(partial);
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
    if (!placed) error = fileError();
    else keepOnInterrupt(partial);
    return placed;
}
