#include "animfile/animationhead.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/newfile.h"
#include "cli/packer.h"
#include "cli/pngfile.h"
#include "import/seriescount.h"
#include "import/seriesname.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The counting pass's lines that stay go to the output, as to the program's
// status log; the names tried on the way are not worth a line each.
class consolelog : public serieslog {
public:
    explicit consolelog(console& io) : io(io) {}
    void log(const wtext& line) override { io.out << text(line.data) << '\n'; }
    // Where an interrupt that only asks (Windows) ends a long count.
    void showPassing(const wtext&) override {
        if (interrupted()) throw stopped{};
    }
    struct stopped {};

private:
    console& io;
};

// The series' folder as the working folder while it lasts, for a path longer
// than the names the import keeps (the file dialog's limit): the system's
// own limit holds for the command line.
class infolder {
public:
    explicit infolder(const std::u16string& folder) : before(fs::current_path(failed)) {
        if (!failed) fs::current_path(systemPath(folder), failed);
    }
    ~infolder() {
        std::error_code ignored;
        if (!failed) fs::current_path(before, ignored);
    }
    std::error_code failed;

private:
    fs::path before;
};

}  // namespace

int pack(const request& given, console& io) {
    if (!openExistingFile(given.input.c_str(), fileaccess::read, fileshare::read).isOpen())
        return fail(io, text(given.input) + ": cannot open: " + systemMessage(fileError()));
    request job = given;
    std::optional<infolder> near;
    if (job.input.size() > size_t(seriesname::maxLength)) {
        job.output = nameOf(fs::absolute(systemPath(job.output)));
        near.emplace(folderOf(job.input));
        if (near->failed)
            return fail(io, text(job.input) + ": cannot open: " + near->failed.message());
        job.input.erase(0, folderOf(job.input).size());
    }
    const std::u16string& picture = job.input;
    // Split as the file dialog reports a name to the import.
    const uint32_t fileOffset = uint32_t(folderOf(picture).size());
    const size_t dot = picture.find_last_of(u'.');
    const uint32_t extensionOffset =
        dot != std::u16string::npos && dot >= fileOffset ? uint32_t(dot + 1) : 0;

    seriesname names(picture.c_str(), fileOffset, extensionOffset);
    bmpfile bmp;
    pngfile png;
    bmpfile& reader = isPngName(picture) ? png : bmp;
    consolelog log(io);
    seriescount found;
    try {
        found = countSeries(names, reader, maxAnimationFrames, log);
    } catch (const consolelog::stopped&) {
        return fail(io, "interrupted");
    }
    if (!found.taken) return fail(io, text(found.refusal));
    // The program takes the first pictures that fit; a packer that did so would
    // drop the rest of the series without a word.
    if (found.total == maxAnimationFrames && reader.open(names.pathOf(found.total).data))
        return fail(io, text(names.logLineOf(found.total).data) + " : beyond the frame limit of " +
                            std::to_string(maxAnimationFrames) + ": nothing written");
    // The program would save an empty animation; nobody packs one on purpose.
    if (found.total == 0)
        return fail(io,
                    text(names.logLineOf(0).data) + " : not found: a series starts at number 0");

    // The animation put in a picture's place would take that picture with it.
    for (uint32_t n = 0; n < found.total; ++n) {
        if (sameFile(names.pathOf(n).data, job.output.c_str()))
            return fail(io, "cannot write " + text(given.output) + ": it is a picture to pack");
    }
    newfile target(job.output);
    if (!target.made()) return fail(io, "cannot write " + text(given.output) + ": " + target.why());
    std::string failure;
    {
        progressbar progress(io, "pack", found.total);
        failure = packFrames({picture, fileOffset, extensionOffset, found.total, found.width,
                              found.height, job.depth, text(given.output)},
                             target.file(), progress);
    }
    if (!failure.empty()) return fail(io, failure);
    if (!target.place())
        return fail(io, "cannot write " + text(given.output) + ": " + target.why());
    return 0;
}
