#include "cli/HelpText.h"

#include "cli/Console.h"

namespace vimo::cli {

namespace {

const char* const kExitStatus =
    "Exit status:\n"
    "  0   done\n"
    "  1   nothing done or refused: unknown Vimo, invalid values, archive"
    " too big,\n"
    "      a failed check, a client that runs already\n"
    "  2   failure: no client installed, developer configuration or"
    " catalogue not\n"
    "      loadable, a write, build or launch that failed, output that"
    " could not\n"
    "      be written\n"
    "  64  usage error: unknown command or option, missing or extra"
    " arguments\n";

const char* const kEnvironment =
    "Environment:\n"
    "  WINEPREFIX             the Wine prefix the client is installed in (default ~/.wine)\n"
    "  HOME                   the home folder, for the default prefix and cache\n"
    "  ORVO_DEVELOPER_SERVER  base address of the vendor's developer server\n"
    "                         (default http://developer.orvo.com)\n"
    "  ORVO_CONTENT_SERVER    base address of the vendor's content server\n"
    "                         (default http://www.orvo.com)\n"
    "  XDG_CACHE_HOME         where the last developer configuration is kept\n"
    "                         (default ~/.cache; LOCALAPPDATA on Windows)\n"
    "  PATH                   where wine and xdg-open are looked for\n"
    "  NO_COLOR               when set and not empty, no colour even in a terminal\n"
    "  http_proxy, https_proxy, no_proxy\n"
    "                         proxies for the download of the developer configuration\n";

std::string written(const CLI::Option& option)
{
    std::string text = option.get_name();
    if (option.get_expected_max() != 0) {
        text += " " + option.get_type_name();
    }
    return text;
}

bool shown(const CLI::App& app, const CLI::Option* option)
{
    return option != app.get_help_ptr() && option->nonpositional();
}

std::string synopsis(const CLI::App& sub)
{
    std::string text = "vimoctl " + sub.get_name();
    for (const CLI::Option* option : sub.get_options()) {
        if (option->get_positional()) {
            const bool optional = !option->get_required();
            text +=
                " " + std::string(optional ? "[" : "") + option->get_name() + (optional ? "]" : "");
        }
    }
    const auto options = sub.get_options([&sub](const CLI::Option* o) { return shown(sub, o); });
    for (std::size_t i = 0; i < options.size(); ++i) {
        text += " [" + written(*options[i]);
        // Options that exclude each other stand in one bracket: [--local | --web URL].
        if (i + 1 < options.size() &&
            options[i]->get_excludes().count(const_cast<CLI::Option*>(options[i + 1])) > 0) {
            text += " | " + written(*options[++i]);
        }
        text += "]";
    }
    return text;
}

std::string optionLines(const std::vector<const CLI::Option*>& options)
{
    std::string text;
    for (const CLI::Option* option : options) {
        std::string name;
        for (const std::string& shortName : option->get_snames()) {
            name += "-" + shortName + ", ";
        }
        name += written(*option);
        text += "  " + format::padRight(name, 20) + option->get_description() + "\n";
    }
    return text;
}

} // namespace

std::string HelpText::make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const
{
    return app->get_parent() ? command(*app) : overview(*app);
}

std::string HelpText::overview(const CLI::App& app)
{
    std::string text = "Usage: vimoctl [OPTIONS] COMMAND [ARGUMENTS]\n\n" + app.get_description() +
                       "\n\nCommands:\n";
    for (const CLI::App* sub : app.get_subcommands({})) {
        text += "  " + format::padRight(sub->get_name(), 8) + sub->get_description() + "\n";
    }
    text += "\nOptions, before or after the command:\n";
    text += optionLines(app.get_options([](const CLI::Option* o) { return o->nonpositional(); }));
    text += "\nResults go to standard output, messages to standard error.\n\n";
    text += kExitStatus;
    text += "\n";
    text += kEnvironment;
    text += "\nSee vimoctl help COMMAND for the details of one command.\n";
    return text;
}

std::string HelpText::command(const CLI::App& sub)
{
    std::string text = "Usage: " + synopsis(sub) + " [--json]\n\n" + sub.get_footer() + "\n";
    const auto options = sub.get_options([&sub](const CLI::Option* o) { return shown(sub, o); });
    text += "\nOptions:\n" + optionLines(options);
    text += "  " + format::padRight("--json", 20) + "answer with one JSON document\n";
    text += "\nThe options of vimoctl --help may be given too.\n";
    return text;
}

} // namespace vimo::cli
