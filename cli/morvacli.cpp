#include "cli/commands.h"
#include "version.h"

#include <new>

namespace {

const morvacommand commands[] = {
    {"pack",
     "  pack PICTURE -o FILE.mrv [--depth 1-8]\n"
     "      Packs the numbered series PICTURE belongs to (walk000.bmp, walk001.bmp,\n"
     "      ... from number 0) into an animation, as the program's import and Save As\n"
     "      do; the depth defaults to 6 bits. Where the program would store an empty\n"
     "      frame for a picture it cannot encode, pack names the picture and writes\n"
     "      nothing.\n",
     true, "--depth", pack},
    {"unpack",
     "  unpack FILE.mrv -o FOLDER [--format bmp|png]\n"
     "      Writes every frame as a numbered 8-bit grey picture into FOLDER, never\n"
     "      over a file that is there already. pack --depth 8 of them gives FILE.mrv.\n",
     true, "--format", unpack},
    {"info", "  info FILE.mrv     The header and the offset and size of every frame.\n", false,
     nullptr, info},
    {"check", "  check FILE.mrv    Decodes every frame and reports each damaged or empty one.\n",
     false, nullptr, check},
    {"gif",
     "  gif FILE.mrv -o FILE.gif [--fps 1-50]\n"
     "      An animated GIF of the frames, looping, at 30 frames a second by default.\n",
     true, "--fps", gif},
};

void showUsage(console& io) {
    io.out << "Usage: morvacli COMMAND ...   (or --help, --version)\n";
    for (const morvacommand& command : commands) io.out << command.usage;
    io.out << "Output goes to a new file that takes its name only once it is whole.\n"
              "Exit status: 0 done, 1 bad input or damaged frames, 2 bad arguments.\n";
}

int run(const std::vector<std::u16string>& arguments, console& io) {
    request job;
    std::string problem;
    if (!parseArguments(arguments, job, problem)) return fail(io, problem, exitUsage);
    if (job.help) {
        showUsage(io);
        return 0;
    }
    if (job.version) {
        io.out << "morvacli " MORVA_VERSION_TEXT "\n";
        return 0;
    }
    return job.command->run(job, io);
}

}  // namespace

const morvacommand* findCommand(const std::string& name) {
    for (const morvacommand& command : commands)
        if (name == command.name) return &command;
    return nullptr;
}

// Whatever runs short of memory unwinds, taking its new files with it.
int runMorvacli(const std::vector<std::u16string>& arguments, console& io) {
    try {
        return run(arguments, io);
    } catch (const std::bad_alloc&) {
        return fail(io, "not enough memory");
    }
}
