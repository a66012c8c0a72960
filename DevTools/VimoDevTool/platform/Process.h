#pragma once

#include <string>
#include <vector>

namespace vimo {

// A write beyond the process's file-size limit then fails with an error the tool reports,
// instead of the system ending the process half-way through the write. Called once by each
// program's main.
void keepRunningPastFileSizeLimit();

// Whether the process's standard output is a terminal (and so a person reads it).
bool standardOutputIsTerminal();

// This process's identifier, as the names of its temporary files carry it.
long currentProcessId();

// Whether a process with this identifier still runs; a process that cannot be asked counts as
// running, so nothing of it is ever taken for stale.
bool processIsRunning(long processId);

// The program's arguments after its name, in UTF-8. On Windows they are read from the wide
// command line: `argv` there holds only the ANSI code page's approximation of other text.
std::vector<std::string> commandLineArguments(int argc, char** argv);

} // namespace vimo
