#include "cli/HelpText.h"

#include "cli/Console.h"

namespace vimo::cli {

namespace {

std::string synopsis(const CommandSpec& spec)
{
    std::string text = "vimoctl " + spec.name;
    if (!spec.arguments.empty()) {
        text += " " + spec.arguments;
    }
    auto written = [](const OptionSpec& option) {
        return option.valueName.empty() ? option.name : option.name + " " + option.valueName;
    };
    for (std::size_t i = 0; i < spec.options.size(); ++i) {
        const OptionSpec& option = spec.options[i];
        text += " [" + written(option);
        // Options that exclude each other stand in one bracket: [--local | --web URL].
        for (const auto& [a, b] : spec.exclusive) {
            if (a == option.name && i + 1 < spec.options.size() && spec.options[i + 1].name == b) {
                text += " | " + written(spec.options[++i]);
                break;
            }
        }
        text += "]";
    }
    if (spec.needsWorkspace) {
        text += " [--json]";
    }
    return text;
}

} // namespace

std::string HelpText::overview()
{
    std::string text =
        "Usage: vimoctl COMMAND [ARGUMENTS] [OPTIONS]\n"
        "\n"
        "Works on the Vimos of the Orvo client installed in the Wine prefix, as the Vimo\n"
        "Developer Tool's window does, without asking anything.\n"
        "\n"
        "Commands:\n";
    for (const CommandSpec& spec : commandTable()) {
        text += "  " + format::padRight(spec.name, 8) + spec.summary + "\n";
    }
    text += "\n"
            "Options of every command:\n"
            "  --json    answer with one JSON document on standard output\n"
            "  --help    describe the command\n"
            "\n"
            "Results go to standard output, messages to standard error.\n"
            "Exit status: 0 done; 1 nothing done or refused (bad arguments, unknown Vimo,\n"
            "invalid values, archive too big, a failed check); 2 failure (no client installed,\n"
            "developer configuration or catalogue not loadable, a write or build that failed).\n"
            "\n"
            "Environment: WINEPREFIX (the prefix the client is installed in, default ~/.wine),\n"
            "ORVO_DEVELOPER_SERVER (base address of the vendor's developer server).\n"
            "\n"
            "See vimoctl help COMMAND for the details of one command.\n";
    return text;
}

std::string HelpText::command(const CommandSpec& spec)
{
    std::string text = "Usage: " + synopsis(spec) + "\n\n" + spec.description + "\n";
    if (!spec.options.empty() || spec.needsWorkspace) {
        text += "\nOptions:\n";
        for (const OptionSpec& option : spec.options) {
            std::string name = option.name;
            if (!option.valueName.empty()) {
                name += " " + option.valueName;
            }
            text += "  " + format::padRight(name, 20) + option.help + "\n";
        }
        if (spec.needsWorkspace) {
            text += "  " + format::padRight("--json", 20) + "answer with one JSON document\n";
        }
    }
    return text;
}

} // namespace vimo::cli
