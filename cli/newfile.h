// An output file made beside its target under a unique name and put in the
// target's place only once it is whole: a failed run leaves the target as it
// was and nothing beside it.
#pragma once

#include "platform/file.h"

#include <string>

class newfile {
public:
    // A folder, a read-only file or a folder that cannot take a new file as
    // `target` makes no file.
    explicit newfile(std::u16string target);
    // Removes the file unless it was put in place.
    ~newfile();
    newfile(const newfile&) = delete;
    newfile& operator=(const newfile&) = delete;

    // False, with `error` set, when no file could be made beside the target.
    bool made() const { return !partial.empty(); }
    // Where to write; `file` opens it for whoever writes through the file layer.
    const std::u16string& path() const { return partial; }
    filehandle& file();
    // Flushes, closes and puts the file in the target's place; false with `error` set.
    bool place();

    uint32_t error = 0;  // the system's code of the step that failed
    // Why no file was made or placed, in the system's words or our own.
    std::string why() const;

private:
    std::u16string target;  // where a symbolic link points, when it is one
    std::u16string partial;
    std::string reason;  // when no system call failed
    filehandle handle;
    bool placed = false;
};
