#include "cli/CommandTable.h"

namespace vimo::cli {

namespace {

std::vector<CommandSpec> buildTable()
{
    std::vector<CommandSpec> table;

    table.push_back(
        {"list",
         "",
         0,
         0,
         "list the Vimos you created, in identifier order",
         "Prints the identifier, name, state (dev or published) and service folder of every Vimo\n"
         "in the catalogue, in identifier order.",
         {{"--dev", "", "only the Vimos under development"},
          {"--published", "", "only the published Vimos"}},
         {{"--dev", "--published"}}});

    table.push_back({"show",
                     "ID",
                     1,
                     1,
                     "print every field of a Vimo's record",
                     "Prints every field of the Vimo's catalogue record, its source and icons\n"
                     "folders and the path of its upload archive.",
                     {},
                     {}});

    table.push_back(
        {"set",
         "ID",
         1,
         1,
         "change a Vimo's properties, as Apply in the window does",
         "Writes the Vimo's record as the window's Apply does: the options given replace the\n"
         "record's values, the others stay. The name loses surrounding white space and must not\n"
         "be empty; name and description must fit the developer configuration's length limits;\n"
         "width must be 1 to 1024 and height 1 to 768. The Vimo is left under development, a\n"
         "local Vimo gets the configuration's main-file address, the client's cached list of the\n"
         "Vimo is deleted and a running client is told to reload. Only Vimos under development\n"
         "can be set; make a copy of a published one first (vimoctl copy).",
         {{"--name", "TEXT", "the name shown in the client"},
          {"--desc", "TEXT", "the description"},
          {"--width", "N", "window width in pixels, 1 to 1024"},
          {"--height", "N", "window height in pixels, 1 to 768"},
          {"--local", "", "a local Vimo: its main file is the configuration's template address"},
          {"--web", "URL", "a web Vimo whose main file is at URL"},
          {"--interactive", "", "mark the Vimo interactive"},
          {"--no-interactive", "", "mark the Vimo not interactive"}},
         {{"--local", "--web"}, {"--interactive", "--no-interactive"}}});

    table.push_back(
        {"copy",
         "ID",
         1,
         1,
         "make an under-development copy of a published Vimo",
         "Copies the published Vimo ID into a new Vimo under development, as the window's\n"
         "\"Create an \"Under Development\" copy\" entry does, and prints the new identifier.",
         {},
         {}});

    table.push_back(
        {"files",
         "ID",
         1,
         1,
         "show which files the upload archive would take and why",
         "Lists every file of the Vimo's service folder in packing order with its size and\n"
         "verdict: packed; ignored (named in the configuration's list of files to leave out);\n"
         "not allowed (its extension is not in the configuration's list); link outside (a\n"
         "symbolic link that leads out of the folder); client cache (the client's cached list,\n"
         "deleted before packing). Ends with the number and total size of the\n"
         "packed files against the upload limit of 5,242,880 bytes; in a terminal as a bar.",
         {},
         {}});

    table.push_back(
        {"pack",
         "ID",
         1,
         1,
         "build the upload archive, as \"Create ZIP file\" does",
         "Deletes the client's cached list of the Vimo and builds the upload archive beside its\n"
         "service folder. Prints the archive's path and size and the files left out because\n"
         "their extension is not allowed. An archive of 5,242,880 bytes or more is refused\n"
         "(exit 1) but stays on disk, as in the window, and is not copied to --output.\n"
         "With --strict, nothing is packed (exit 1) while a check of vimoctl check fails, for\n"
         "example a file that would be left out for its extension.",
         {{"--output", "PATH", "also copy the finished archive to PATH (a file or a folder)"},
          {"--strict", "", "refuse to pack while a check fails"}},
         {}});

    table.push_back(
        {"check",
         "ID",
         1,
         1,
         "run the checks before an upload",
         "Checks the Vimo before an upload: the catalogue file parses and reads back the same\n"
         "after saving; the name is not empty and within the length limit; the description is\n"
         "within its limit; width is 1 to 1024 and height 1 to 768; a web Vimo's address is an\n"
         "absolute http or https address; the source and icons folders exist; no file would be\n"
         "left out for its extension; the packed files total less than 5,242,880 bytes; no\n"
         "symbolic link leads out of the folder. Exit 0 when every check passes, 1 otherwise.",
         {},
         {}});

    table.push_back(
        {"open",
         "[ID]",
         0,
         1,
         "open a Vimo's folder in the file browser",
         "Opens the Vimo's source folder (the default) or its icons folder; without ID, the\n"
         "folder that holds every service folder and the upload archives.",
         {{"--source", "", "the source folder (default)"}, {"--icons", "", "the icons folder"}},
         {{"--source", "--icons"}}});

    table.push_back(
        {"run",
         "",
         0,
         0,
         "start the client, or a second instance with --second",
         "Starts the client unless it runs. With --second, does what the window's\n"
         "\"Open 2nd Orvo\" does: starts the client unless it runs, then a second instance unless\n"
         "two client windows exist. Exit 1 when nothing had to be started.",
         {{"--second", "", "also start a second instance"}},
         {}});

    table.push_back(
        {"watch",
         "ID",
         1,
         1,
         "reload the client whenever the Vimo's files change",
         "Watches the Vimo's service folder. Once a change has settled (nothing more for 300 ms),\n"
         "deletes the client's cached list of the Vimo and, when the client runs in this prefix,\n"
         "sends it orvo:reloadVimoList. Prints one line per reload: what changed and what was\n"
         "sent (with --json, one JSON document a line). The tool's own temporary files, the\n"
         "client's cache and the upload archive are not changes. Ctrl+C stops it (exit 0).",
         {},
         {}});

    table.push_back({"help",
                     "[COMMAND]",
                     0,
                     1,
                     "describe vimoctl or one command",
                     "Prints the overview, or the description of COMMAND.",
                     {},
                     {},
                     false});
    return table;
}

} // namespace

const OptionSpec* CommandSpec::findOption(std::string_view option) const
{
    for (const OptionSpec& spec : options) {
        if (spec.name == option) {
            return &spec;
        }
    }
    return nullptr;
}

const std::vector<CommandSpec>& commandTable()
{
    static const std::vector<CommandSpec> table = buildTable();
    return table;
}

const CommandSpec* findCommand(std::string_view name)
{
    for (const CommandSpec& spec : commandTable()) {
        if (spec.name == name) {
            return &spec;
        }
    }
    return nullptr;
}

} // namespace vimo::cli
