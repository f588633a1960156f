#include "cli/commands.h"
#include "version.h"

#include <new>

namespace {

int run(const std::vector<std::u16string>& arguments, console& io) {
    request job;
    std::string problem;
    if (!parseArguments(arguments, job, problem)) return fail(io, problem, exitUsage);
    if (job.help) {
        io.out << usageText;
        return 0;
    }
    if (job.version) {
        io.out << "morvacli " MORVA_VERSION_TEXT "\n";
        return 0;
    }
    if (job.command == "pack") return pack(job, io);
    if (job.command == "unpack") return unpack(job, io);
    if (job.command == "info") return info(job, io);
    if (job.command == "check") return check(job, io);
    return gif(job, io);
}

}  // namespace

// Whatever runs short of memory unwinds, taking its new files with it.
int runMorvacli(const std::vector<std::u16string>& arguments, console& io) {
    try {
        return run(arguments, io);
    } catch (const std::bad_alloc&) {
        return fail(io, "not enough memory");
    }
}
