#include "cli/CommandLine.h"

#include "cli/HelpText.h"

#include <CLI/CLI.hpp>

#include <algorithm>
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

std::string inQuotes(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// "[ID]" and "ID" both name the positional argument ID.
std::string positionalName(const CommandSpec& spec)
{
    std::string name = spec.arguments;
    std::erase(name, '[');
    std::erase(name, ']');
    return name;
}

std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

CommandLine::CommandLine() : m_app(std::make_unique<CLI::App>(HelpText::kProgramSummary, "vimoctl"))
{
    CLI::App& app = *m_app;
    app.formatter(std::make_shared<HelpText>());
    app.set_help_flag("-h,--help", "describe vimoctl, or the command");
    app.add_flag("--json")->description("answer with one JSON document on standard output");
    app.add_flag("-q,--quiet")->description("print nothing but errors");
    app.add_flag("-V,--version")->description("print the version");
    app.add_option("--config", "read the developer configuration from FILE, not from the server")
        ->type_name("FILE");
    app.add_flag("--offline")
        ->description(
            "use the developer configuration last downloaded when the server cannot be reached");
    app.allow_extras();
    app.require_subcommand(0, 1);
    for (CLI::Option* option : app.get_options()) {
        option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    }

    for (const CommandSpec& spec : commandTable()) {
        CLI::App* sub = app.add_subcommand(spec.name, spec.summary);
        sub->footer(spec.description);
        sub->fallthrough();
        sub->allow_extras();
        sub->set_help_flag("-h,--help", "describe the command");
        if (spec.maxArguments > 0) {
            CLI::Option* positional = sub->add_option(positionalName(spec), "");
            if (spec.minArguments > 0) {
                positional->required();
            }
        }
        for (const OptionSpec& option : spec.options) {
            CLI::Option* added =
                option.valueName.empty()
                    ? sub->add_flag(option.name)->disable_flag_override()
                    : sub->add_option(option.name, option.help)->type_name(option.valueName);
            added->description(option.help);
            added->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        }
        for (const auto& [a, b] : spec.exclusive) {
            sub->get_option(a)->excludes(sub->get_option(b));
        }
    }
}

CommandLine::~CommandLine() = default;

const CLI::Option* CommandLine::valueOption(const std::string& word) const
{
    if (!word.starts_with("--")) {
        return nullptr;
    }
    auto takesValue = [&word](const CLI::App& app) -> const CLI::Option* {
        for (const CLI::Option* option : app.get_options()) {
            if (option->nonpositional() && option->get_expected_max() != 0 &&
                option->check_name(word)) {
                return option;
            }
        }
        return nullptr;
    };
    if (const CLI::Option* option = takesValue(*m_app)) {
        return option;
    }
    for (const CLI::App* sub : m_app->get_subcommands({})) {
        if (const CLI::Option* option = takesValue(*sub)) {
            return option;
        }
    }
    return nullptr;
}

std::string CommandLine::describe(const CLI::ParseError& error, const CLI::App* active)
{
    const std::string what = error.what();
    if (dynamic_cast<const CLI::RequiredError*>(&error) && active) {
        for (const CLI::Option* option : active->get_options()) {
            if (option->get_positional() && option->get_required() && option->count() == 0) {
                return "missing the Vimo identifier (" + option->get_name() + ")";
            }
        }
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
        if (const std::size_t at = what.find(" excludes "); at != std::string::npos) {
            return what.substr(0, at) + " and " + what.substr(at + 10) + " exclude each other";
        }
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) && active) {
        for (const CLI::Option* option : active->get_options()) {
            // CLI11 starts the text with "--width:" or, for a flag's value, "second ".
            const std::string name = option->get_name();
            const std::string bare = name.substr(name.find_first_not_of('-'));
            if (!what.starts_with(name + ":") && !what.starts_with(bare + " ")) {
                continue;
            }
            if (option->get_expected_max() == 0) {
                return "option " + name + " takes no value";
            }
            return "option " + name + " needs a value (" + option->get_type_name() + ")";
        }
    }
    return what;
}

ParseResult CommandLine::parse(const std::vector<std::string>& args)
{
    ParseResult result;
    CLI::App& app = *m_app;
    app.clear();
    // --json is looked for first, so that even an error about the command line is a document.
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        result.global.json = result.global.json || arg == "--json";
    }

    const CLI::App* active = nullptr;
    auto prefix = [&]() {
        return active ? "vimoctl " + active->get_name() + ": " : std::string("vimoctl: ");
    };
    // CLI11 gives an option its value whatever it looks like; "set ID --desc --json" would
    // store "--json". A value that starts with "-" must be attached: --desc=-x.
    for (std::size_t i = 0; i + 1 < args.size() && args[i] != "--"; ++i) {
        if (const CLI::Option* option = valueOption(args[i]);
            option && args[i + 1].size() > 1 && args[i + 1][0] == '-') {
            result.error = "vimoctl: option " + args[i] + " needs a value (" +
                           option->get_type_name() + "), not the option " + args[i + 1] +
                           "; write " + args[i] + "=" + args[i + 1] +
                           " for a value that starts with -";
            return result;
        }
    }

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.help = true;
        for (const CLI::App* sub : app.get_subcommands()) {
            if (sub->get_help_ptr()->count() > 0) {
                result.command.command = findCommand(sub->get_name());
            }
        }
        return result;
    } catch (const CLI::ParseError& error) {
        const auto parsed = app.get_subcommands();
        active = parsed.empty() ? nullptr : parsed.front();
        result.error = prefix() + describe(error, active);
        return result;
    }

    const auto parsed = app.get_subcommands();
    active = parsed.empty() ? nullptr : parsed.front();
    for (const CLI::Option* option : app.get_options()) {
        if (option->count() > 1) {
            result.error = prefix() + "option " + option->get_name() + " is given twice";
            return result;
        }
    }
    result.global.quiet = app.get_option("--quiet")->count() > 0;
    result.global.offline = app.get_option("--offline")->count() > 0;
    result.version = app.get_option("--version")->count() > 0;
    if (const CLI::Option* config = app.get_option("--config"); config->count() > 0) {
        result.global.configFile = config->results().front();
    }

    // Whatever CLI11 did not take: unknown options, a mistyped command, one argument too many.
    const std::vector<std::string> extras = app.remaining(true);
    if (!extras.empty()) {
        const std::string& first = extras.front();
        if (first.size() > 1 && first[0] == '-') {
            result.error = prefix() + "unknown option " + first + " (see vimoctl " +
                           (active ? "help " + active->get_name() : std::string("--help")) + ")";
        } else if (!active) {
            result.error = prefix() + "unknown command " + inQuotes(first);
            if (const CommandSpec* near = nearestCommand(first)) {
                result.error += "; did you mean " + inQuotes(near->name) + "?";
            } else {
                result.error += " (see vimoctl --help)";
            }
        } else {
            result.error = prefix() + "unexpected argument " + inQuotes(first);
        }
        return result;
    }
    if (!active) {
        result.bare = !result.version;
        return result;
    }

    ParsedCommand& command = result.command;
    command.command = findCommand(active->get_name());
    for (const CLI::Option* option : active->get_options()) {
        if (option == active->get_help_ptr() || option->count() == 0) {
            continue;
        }
        if (option->get_positional()) {
            command.arguments = option->results();
            continue;
        }
        const std::string name = option->get_name();
        if (option->count() > 1) {
            result.error = prefix() + "option " + name + " is given twice";
            return result;
        }
        command.options[name] = option->get_expected_max() == 0 ? "" : option->results().front();
    }

    if (command.command->name == "help") {
        // "vimoctl help [COMMAND]" is the help of COMMAND, not a command of its own.
        result.help = true;
        command.command = nullptr;
        if (!command.arguments.empty()) {
            const std::string& name = command.arguments.front();
            command.command = findCommand(name);
            if (!command.command) {
                result.error = prefix() + "unknown command " + inQuotes(name);
                if (const CommandSpec* near = nearestCommand(name)) {
                    result.error += "; did you mean " + inQuotes(near->name) + "?";
                }
            }
        }
    }
    return result;
}

std::string CommandLine::help(const CommandSpec* command) const
{
    if (!command) {
        return m_app->help();
    }
    return m_app->get_subcommand(command->name)->help();
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

const CommandSpec* CommandLine::nearestCommand(std::string_view word)
{
    const CommandSpec* nearest = nullptr;
    std::size_t best = 3; // two edits at most: "lsit", "chek", "pakc"
    for (const CommandSpec& spec : commandTable()) {
        const std::size_t distance = editDistance(word, spec.name);
        if (distance < best && distance < spec.name.size()) {
            best = distance;
            nearest = &spec;
        }
    }
    return nearest;
}

} // namespace vimo::cli
