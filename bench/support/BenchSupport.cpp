#include "support/BenchSupport.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include <stdlib.h>

namespace vimo::bench {

namespace fs = std::filesystem;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

int runInScratchFolder(const std::string& name,
                       const std::function<int(const fs::path& root)>& body)
{
    std::string pattern = (fs::temp_directory_path() / (name + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    int status = 1;
    try {
        status = body(root);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    std::error_code ec;
    fs::remove_all(root, ec);
    return status;
}

} // namespace vimo::bench
