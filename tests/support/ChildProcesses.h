#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vimo::test {

// Copies of the test process, for tests that stop work at random moments or run it in several
// processes at once. Windows cannot copy a running process: there canFork() is false, the calls
// do nothing, and the tests that need them skip with kNoFork.
bool canFork();
inline constexpr const char* kNoFork = "Linux only: the test runs copies of itself (fork)";

// Runs `body` in a copy of this process: its exit status, or minus the signal that ended it.
int runInChild(const std::function<int()>& body);
// Starts `body` in a copy of this process, kills it after `delay` and waits for it.
void killChildAfter(const std::function<void()>& body, std::chrono::microseconds delay);
// Runs `count` copies of `body` let go at the same moment; their answers, in no fixed order.
std::vector<std::string> runTogether(int count, const std::function<std::string()>& body);
// Limits the size of the files this process may write (call it in a child).
void limitFileSize(std::uint64_t bytes);

// The identifier of a process that has ended.
long endedProcessId();
// The identifier of a process that runs: another one where one can be found, else this one.
long runningProcessId();

} // namespace vimo::test
