#pragma once

// What the fuzz targets share beyond the test fixtures: one scratch folder for the files a reader
// takes, and a way to stop on a broken promise so that libFuzzer keeps the input.

#include "support/Fixtures.h"

#include <filesystem>
#include <string>

namespace vimo::fuzz {

using test::TestPlatform;
using test::writeFile;

// One scratch folder for the whole run, removed when the program ends.
const std::filesystem::path& scratchFolder();

// Ends the run with `what` on standard error; libFuzzer keeps the input as a crash.
[[noreturn]] void broken(const std::string& what);

} // namespace vimo::fuzz
