#include "cli/commands.h"
#include "cli/framereader.h"
#include "cli/gifwriter.h"
#include "cli/interrupt.h"
#include "cli/newfile.h"
#include "cli/progress.h"

namespace {

// GIF counts in hundredths of a second: each frame's delay is rounded so
// that the whole animation keeps time (30 fps gives 3, 4, 3, 3, 4, 3, ...).
uint16_t delayOf(uint32_t frame, uint32_t fps) {
    const auto end = [fps](uint64_t n) { return (n * 200 + fps) / (2 * fps); };
    return uint16_t(end(frame + 1) - end(frame));
}

constexpr int32_t largestGifSide = 65535;

}  // namespace

int gif(const request& job, console& io) {
    framereader frames;
    if (std::string problem = frames.open(job.input); !problem.empty()) return fail(io, problem);
    const fileheader& header = frames.header();
    if (header.frameCount == 0) return fail(io, text(job.input) + ": no frames to make a GIF of");
    if (!frames.pictureSized() || header.width > largestGifSide || header.height > largestGifSide)
        return fail(io, text(job.input) + ": frames of " + std::to_string(header.width) + " x " +
                            std::to_string(header.height) + " pixels do not fit a GIF");
    // Put in its place, the GIF would take the only copy of the frames with it.
    if (sameFile(job.input.c_str(), job.output.c_str()))
        return fail(io, "cannot write " + text(job.output) + ": it is the input file");
    newfile target(job.output);
    if (!target.made()) return fail(io, "cannot write " + text(job.output) + ": " + target.why());

    std::string failure;
    bool timed = true;
    {
        progressbar progress(io, "gif", header.frameCount);
        gifwriter animation(target, header.width, header.height);
        for (uint32_t n = 0; n < header.frameCount && failure.empty(); ++n) {
            if (interrupted())
                failure = "interrupted";
            else if (!frames.decode(n, failure))
                failure =
                    text(job.input) + ": frame " + std::to_string(n) + " is damaged: " + failure;
            else if (!animation.addFrame(
                         {frames.rows(), header.width, header.height, frames.stride()},
                         delayOf(n, job.fps)))
                failure = "cannot write " + text(job.output);
            progress.show(n + 1);
        }
        if (failure.empty() && !animation.finish()) failure = "cannot write " + text(job.output);
        timed = animation.timed;
    }
    if (failure.empty() && !target.place())
        failure = "cannot write " + text(job.output) + ": " + target.why();
    if (!failure.empty()) return fail(io, failure);
    if (!frames.emptyNote().empty()) io.err << "morvacli: " << frames.emptyNote() << '\n';
    if (!timed)
        io.err << "morvacli: this system's GIF encoder wrote no frame delays: viewers play "
                  "the frames at their own speed\n";
    return 0;
}
