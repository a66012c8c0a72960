#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

namespace vimo::fuzz {

namespace fs = std::filesystem;

namespace {

struct Scratch
{
    Scratch()
    {
        std::random_device random;
        const fs::path base = fs::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const fs::path candidate = base / ("vimo-fuzz-" + std::to_string(random()));
            std::error_code ec;
            if (fs::create_directory(candidate, ec)) {
                path = candidate;
                return;
            }
        }
        std::fprintf(stderr, "fuzz: no scratch folder could be made in %s\n", base.c_str());
        std::abort();
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

} // namespace

const fs::path& scratchFolder()
{
    static const Scratch scratch;
    return scratch.path;
}

void writeBytes(const fs::path& path, std::string_view bytes)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        broken("could not write the input to " + path.string());
    }
}

void broken(const std::string& what)
{
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

std::optional<std::string> FuzzPlatform::environment(const std::string& name) const
{
    if (name == "WINEPREFIX") {
        return m_prefix;
    }
    return PosixPlatform::environment(name);
}

} // namespace vimo::fuzz
