#include "cli/arguments.h"

#include "cli/commands.h"
#include "cli/console.h"

namespace {

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
    const morvacommand* rule = arguments.empty() ? nullptr : findCommand(text(arguments[0]));
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
            out.command = rule;
        } else if (argument == "-o" || (rule->option && argument == rule->option)) {
            if (i + 1 == arguments.size())
                problem = argument + " needs a value";
            else if (argument == "-o")
                out.output = arguments[++i];
            else
                takeOption(argument, text(arguments[++i]), out, problem);
        } else if (argument.size() > 1 && argument[0] == '-') {
            problem = std::string(rule->name) + " takes no option '" + argument + "'";
        } else if (hasInput) {
            problem = "one input only, not also '" + argument + "'";
        } else {
            out.input = arguments[i];
            hasInput = true;
        }
    }
    if (problem.empty() && !hasInput) problem = std::string(rule->name) + " needs an input file";
    if (problem.empty() && rule->needsOutput && out.output.empty())
        problem = std::string(rule->name) + " needs -o and an output name";
    if (problem.empty() && !rule->needsOutput && !out.output.empty())
        problem = std::string(rule->name) + " takes no -o: it writes nothing";
    return problem.empty();
}
