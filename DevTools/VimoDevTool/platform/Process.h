#pragma once

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

} // namespace vimo
