#include "cli/commands.h"
#include "cli/framereader.h"
#include "cli/interrupt.h"
#include "cli/newfile.h"
#include "cli/pictures.h"
#include "cli/progress.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

// walk.mrv gives walk000.bmp, walk001.bmp, ...: the series pack finds again.
// A name ending in a digit gets a "_", so that its digits stay its own.
class picturenames {
public:
    picturenames(const std::u16string& animation, const std::u16string& folder, uint32_t count,
                 const std::string& format)
        : folder(folder), extension(u"." + std::u16string(format.begin(), format.end())) {
        const size_t start = folderOf(animation).size(), dot = animation.find_last_of(u'.');
        stem = animation.substr(
            start, dot != std::u16string::npos && dot > start ? dot - start : std::u16string::npos);
        if (stem.empty()) stem = u"frame";
        if (stem.back() >= u'0' && stem.back() <= u'9') stem += u'_';
        for (uint32_t last = count > 0 ? count - 1 : 0; last > 0; last /= 10) ++digits;
        digits = std::max(digits, 3u);
    }

    std::u16string of(uint32_t n) const {
        std::string number = std::to_string(n);
        number.insert(0, digits > number.size() ? digits - number.size() : 0, '0');
        const bool separated = !folder.empty() && (folder.back() == u'/' || folder.back() == u'\\');
        return folder + (separated ? u"" : u"/") + stem +
               std::u16string(number.begin(), number.end()) + extension;
    }

private:
    std::u16string folder, stem, extension;
    uint32_t digits = 0;
};

// The pictures of this run, and the folder if it made it: taken back unless
// the run completes.
struct newpictures {
    std::vector<std::u16string> paths;
    std::filesystem::path madeFolder;
    bool kept = false;
    ~newpictures() {
        keepAllOnInterrupt();
        if (kept) return;
        for (const std::u16string& path : paths) removeFile(path.c_str());
        std::error_code ignored;
        if (!madeFolder.empty()) std::filesystem::remove(madeFolder, ignored);
    }
};

std::string writePicture(const std::u16string& path, const greyframe& frame,
                         const std::string& format) {
    newfile picture(path);
    const bool written = picture.made() && (format == "png" ? writePng(picture.file(), frame)
                                                            : writeBmp(picture.file(), frame));
    if (written && picture.place()) return {};
    return "cannot write " + text(path) + ": " +
           systemMessage(picture.made() ? fileError() : picture.error);
}

}  // namespace

int unpack(const request& job, console& io) {
    framereader frames;
    if (std::string problem = frames.open(job.input); !problem.empty()) return fail(io, problem);
    const fileheader& header = frames.header();
    if (header.frameCount > 0 && !frames.pictureSized())
        return fail(io, text(job.input) + ": frames of " + std::to_string(header.width) + " x " +
                            std::to_string(header.height) + " pixels make no pictures");
    newpictures written;
    std::error_code error;
    if (interruptsheld held;  // made and known to the handler in one step
        std::filesystem::create_directory(systemPath(job.output), error)) {
        written.madeFolder = systemPath(job.output);
        takeBackFolderOnInterrupt(job.output);
    }
    if (error)
        return fail(io, "cannot make the folder " + text(job.output) + ": " + error.message());

    // Nothing is written over, and no picture left there joins the series.
    const picturenames names(job.input, job.output, header.frameCount, job.format);
    for (uint32_t n = 0; n <= header.frameCount; ++n)
        if (std::filesystem::exists(systemPath(names.of(n)), error))
            return fail(io,
                        text(names.of(n)) + " is there already: unpack writes only new pictures");

    std::string failure;
    {
        progressbar progress(io, "unpack", header.frameCount);
        for (uint32_t n = 0; n < header.frameCount && failure.empty(); ++n) {
            if (interrupted()) {
                failure = "interrupted";
            } else if (!frames.decode(n, failure)) {
                failure =
                    text(job.input) + ": frame " + std::to_string(n) + " is damaged: " + failure;
            } else {
                failure = writePicture(
                    names.of(n), {frames.rows(), header.width, header.height, frames.stride()},
                    job.format);
                if (failure.empty()) {
                    written.paths.push_back(names.of(n));
                    takeBackOnInterrupt(names.of(n));
                }
            }
            progress.show(n + 1);
        }
    }
    if (!failure.empty()) return fail(io, failure);
    if (!frames.emptyNote().empty()) io.err << "morvacli: " << frames.emptyNote() << '\n';
    written.kept = true;
    return 0;
}
