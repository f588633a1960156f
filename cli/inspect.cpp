// info and check: what an animation file holds, and whether every frame decodes.
#include "cli/commands.h"
#include "cli/framereader.h"
#include "cli/interrupt.h"
#include "cli/progress.h"

#include <iomanip>

int info(const request& job, console& io) {
    framereader frames;
    if (std::string problem = frames.open(job.input); !problem.empty()) return fail(io, problem);
    const fileheader& header = frames.header();
    io.out << "file   " << text(job.input) << "\nmagic  MoRv\nframes " << header.frameCount
           << "\nsize   " << header.width << " x " << header.height << "\nbits   " << header.bits
           << "\n\n frame      offset        size\n";
    for (uint32_t n = 0; n < header.frameCount; ++n)
        io.out << std::setw(6) << n << std::setw(12) << frames.entry(n).offset << std::setw(12)
               << frames.entry(n).size << (frames.empty(n) ? "  empty\n" : "\n");
    return 0;
}

int check(const request& job, console& io) {
    framereader frames;
    if (std::string problem = frames.open(job.input); !problem.empty()) return fail(io, problem);
    const uint32_t count = frames.header().frameCount;
    uint32_t damaged = 0, empty = 0;
    {
        progressbar progress(io, "check", count);
        for (uint32_t n = 0; n < count && !interrupted(); ++n) {
            std::string damage;
            if (frames.empty(n)) {
                io.out << "frame " << n << ": empty: the program stored no picture for it\n";
                ++empty;
            } else if (!frames.decode(n, damage)) {
                io.out << "frame " << n << ": " << damage << '\n';
                ++damaged;
            }
            progress.show(n + 1);
        }
    }
    if (interrupted()) return fail(io, "interrupted");
    if (damaged > 0)
        return fail(io, text(job.input) + ": " + std::to_string(damaged) + " of " +
                            std::to_string(count) + " frames are damaged");
    io.out << count << " frames, none damaged";
    if (empty > 0) io.out << ", " << empty << " empty";
    io.out << '\n';
    return 0;
}
