#include "cli/CommandLine.h"

#include <limits>

namespace vimo::cli {

bool ParsedCommand::has(std::string_view option) const
{
    return options.find(std::string(option)) != options.end();
}

std::optional<std::string> ParsedCommand::value(std::string_view option) const
{
    if (auto it = options.find(std::string(option)); it != options.end()) {
        return it->second;
    }
    return std::nullopt;
}

namespace {

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

} // namespace

ParseResult CommandLine::parse(const std::vector<std::string>& args)
{
    ParseResult result;
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--json") {
            result.json = true;
        }
    }

    ParsedCommand& parsed = result.command;
    // --json may also stand before the command.
    std::size_t start = 0;
    while (start < args.size() && args[start] == "--json") {
        parsed.json = true;
        ++start;
    }
    if (start == args.size()) {
        result.error = "vimoctl: no command given (see vimoctl --help)";
        return result;
    }
    const std::string& first = args[start];
    if (first == "--help" || first == "-h") {
        parsed.help = true;
        for (std::size_t i = start + 1; i < args.size(); ++i) {
            if (args[i] != "--json") {
                result.error =
                    "vimoctl: unexpected argument " + quoted(args[i]) + " after " + first;
                break;
            }
        }
        return result;
    }
    parsed.command = findCommand(first);
    if (!parsed.command) {
        result.error = first.starts_with("-")
                           ? "vimoctl: unknown option " + first + " (see vimoctl --help)"
                           : "vimoctl: unknown command " + quoted(first) + " (see vimoctl --help)";
        return result;
    }
    const CommandSpec& spec = *parsed.command;
    const std::string prefix = "vimoctl " + spec.name + ": ";

    bool optionsEnded = false;
    for (std::size_t i = start + 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.arguments.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--json") {
            parsed.json = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); eq != std::string::npos && arg.starts_with("--")) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const OptionSpec* option = spec.findOption(name);
        if (!option) {
            result.error = prefix + "unknown option " + name;
            return result;
        }
        if (parsed.has(name)) {
            result.error = prefix + "option " + name + " is given twice";
            return result;
        }
        if (option->valueName.empty()) {
            if (inlineValue) {
                result.error = prefix + "option " + name + " takes no value";
                return result;
            }
            parsed.options[name] = "";
        } else if (inlineValue) {
            parsed.options[name] = *inlineValue;
        } else if (i + 1 < args.size()) {
            parsed.options[name] = args[++i];
        } else {
            result.error = prefix + "option " + name + " needs a value (" + option->valueName + ")";
            return result;
        }
    }

    if (spec.name == "help") {
        // "vimoctl help [COMMAND]" is the help of COMMAND, not a command of its own.
        parsed.help = true;
        parsed.command = nullptr;
        if (parsed.arguments.size() > 1) {
            result.error = prefix + "unexpected argument " + quoted(parsed.arguments[1]);
        } else if (!parsed.arguments.empty()) {
            parsed.command = findCommand(parsed.arguments.front());
            if (!parsed.command) {
                result.error = prefix + "unknown command " + quoted(parsed.arguments.front());
            }
        }
        return result;
    }
    if (parsed.help) {
        return result;
    }
    for (const auto& [a, b] : spec.exclusive) {
        if (parsed.has(a) && parsed.has(b)) {
            result.error = prefix + a + " and " + b + " exclude each other";
            return result;
        }
    }
    const int count = static_cast<int>(parsed.arguments.size());
    if (count < spec.minArguments) {
        result.error = prefix + "missing the Vimo identifier (" + spec.arguments + ")";
    } else if (count > spec.maxArguments) {
        result.error =
            prefix + "unexpected argument " + quoted(parsed.arguments[spec.maxArguments]);
    }
    return result;
}

std::optional<std::uint64_t> CommandLine::parseCount(std::string_view text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

} // namespace vimo::cli
