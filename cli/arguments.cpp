#include "cli/arguments.h"

#include "cli/console.h"

const char usageText[] =
    "Usage: morvacli COMMAND ...   (or --help, --version)\n"
    "  pack PICTURE -o FILE.mrv [--depth 1-8]\n"
    "      Packs the numbered series PICTURE belongs to (walk000.bmp, walk001.bmp,\n"
    "      ... from number 0) into an animation, as the program's import and Save As\n"
    "      do; the depth defaults to 6 bits. Where the program would store an empty\n"
    "      frame for a picture it cannot encode, pack names the picture and writes\n"
    "      nothing.\n"
    "  unpack FILE.mrv -o FOLDER [--format bmp|png]\n"
    "      Writes every frame as a numbered 8-bit grey picture into FOLDER, never\n"
    "      over a file that is there already. pack --depth 8 of them gives FILE.mrv.\n"
    "  info FILE.mrv     The header and the offset and size of every frame.\n"
    "  check FILE.mrv    Decodes every frame and reports each damaged or empty one.\n"
    "  gif FILE.mrv -o FILE.gif [--fps 1-50]\n"
    "      An animated GIF of the frames, looping, at 30 frames a second by default.\n"
    "Output goes to a new file that takes its name only once it is whole.\n"
    "Exit status: 0 done, 1 bad input or damaged frames, 2 bad arguments.\n";

namespace {

// What each command takes besides its input.
struct commandrule {
    const char* name;
    bool needsOutput;
    const char* option;  // the one option it takes, or null
};

const commandrule commands[] = {
    {"pack", true, "--depth"}, {"unpack", true, "--format"}, {"gif", true, "--fps"},
    {"info", false, nullptr},  {"check", false, nullptr},
};

const commandrule* findCommand(const std::string& name) {
    for (const commandrule& rule : commands)
        if (name == rule.name) return &rule;
    return nullptr;
}

bool number(const std::string& value, uint32_t lowest, uint32_t highest, uint32_t& out) {
    if (value.empty() || value.size() > 3 ||
        value.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = uint32_t(std::stoul(value));
    return out >= lowest && out <= highest;
}

bool takeOption(const std::string& option, const std::string& value, request& out,
                std::string& problem) {
    if (option == "--depth" && !number(value, 1, 8, out.depth))
        problem = "--depth takes a number from 1 to 8, not '" + value + "'";
    else if (option == "--fps" && !number(value, 1, 50, out.fps))
        problem = "--fps takes a number from 1 to 50, not '" + value + "'";
    else if (option == "--format" && value != "bmp" && value != "png")
        problem = "--format takes bmp or png, not '" + value + "'";
    else if (option == "--format")
        out.format = value;
    return problem.empty();
}

}  // namespace

bool parseArguments(const std::vector<std::u16string>& arguments, request& out,
                    std::string& problem) {
    if (arguments.empty()) problem = "no command; morvacli --help lists them";
    const commandrule* rule = arguments.empty() ? nullptr : findCommand(text(arguments[0]));
    bool hasInput = false;
    for (size_t i = 0; problem.empty() && i < arguments.size(); ++i) {
        const std::string argument = text(arguments[i]);
        if (argument == "--help" || argument == "-h") {
            out.help = true;
            return true;
        }
        if (argument == "--version") {
            out.version = true;
            return true;
        }
        if (i == 0 && !rule) {
            problem = "unknown command '" + argument + "'; morvacli --help lists them";
        } else if (i == 0) {
            out.command = argument;
        } else if (argument == "-o" || (rule->option && argument == rule->option)) {
            if (i + 1 == arguments.size())
                problem = argument + " needs a value";
            else if (argument == "-o")
                out.output = arguments[++i];
            else
                takeOption(argument, text(arguments[++i]), out, problem);
        } else if (argument.size() > 1 && argument[0] == '-') {
            problem = out.command + " takes no option '" + argument + "'";
        } else if (hasInput) {
            problem = "one input only, not also '" + argument + "'";
        } else {
            out.input = arguments[i];
            hasInput = true;
        }
    }
    if (problem.empty() && !hasInput) problem = out.command + " needs an input file";
    if (problem.empty() && rule->needsOutput && out.output.empty())
        problem = out.command + " needs -o and an output name";
    if (problem.empty() && !rule->needsOutput && !out.output.empty())
        problem = out.command + " takes no -o: it writes nothing";
    return problem.empty();
}
