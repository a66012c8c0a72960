// Times reading the catalogue of 10,000 service folders against merely reading the same
// catalogue files, and prints both times and their ratio (target: at most 3).

#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/BenchSupport.h"
#include "workspace/VimoWorkspace.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;
using vimo::bench::Clock;
using vimo::bench::secondsSince;

namespace {

constexpr int kVimoCount = 10000;
constexpr int kRounds = 9;

std::string catalogueText(int index)
{
    const std::string id = "vimo" + std::to_string(index);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vimozList>\n  <vimoz>\n"
           "    <vimo id=\"" +
           id + "\" name=\"Vimo number " + std::to_string(index) +
           "\" desc=\"A Vimo written to measure how fast the catalogue is read\" width=\"400\" "
           "height=\"300\" url=\"http://developer.orvo.com/template_vimo/index.vimo\" "
           "requiresInvitation=\"false\" type=\"localDhtml\" devStatus=\"" +
           (index % 2 ? "dev" : "deployed") + "\" userCreated=\"true\" pluginKey=\"k" + id +
           "\"/>\n  </vimoz>\n</vimozList>\n";
}

// Opens and reads every file whole; what any reader of these files must at least do.
std::size_t readAll(const std::vector<std::string>& files)
{
    std::size_t total = 0;
    std::vector<char> buffer(65536);
    for (const std::string& file : files) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            throw std::runtime_error("cannot open " + file);
        }
        for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;) {
            total += static_cast<std::size_t>(got);
        }
        ::close(fd);
    }
    return total;
}

// Processor time of this process; on a busy machine it shows the work apart from waiting.
double cpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

} // namespace

int main()
{
    return vimo::bench::runInScratchFolder("vimo-bench", [](const fs::path& root) {
        int status = 0;
        const fs::path install = root / "Orvo";
        std::vector<std::string> files;
        files.reserve(kVimoCount);
        for (int i = 0; i < kVimoCount; ++i) {
            const std::string id = "vimo" + std::to_string(i);
            const fs::path ver1 = install / "services" / ("orvo" + id + "Vimoz") / "ver1";
            fs::create_directories(ver1);
            fs::create_directories(install / "packages" / id);
            vimo::bench::writeFile(ver1 / "VimozList.xml", catalogueText(i));
            files.push_back((ver1 / "VimozList.xml").string());
        }

        vimo::VimoWorkspace workspace;
        workspace.setInstallFolder(vimo::fromUtf8(install.string()));

        // Both sides see warm caches; the best of several rounds evens out the machine's noise.
        readAll(files);
        double plainBest = 1e9;
        double loadBest = 1e9;
        double plainCpuBest = 1e9;
        double loadCpuBest = 1e9;
        std::size_t bytes = 0;
        double firstRatio = 0;
        double firstCpuRatio = 0;
        for (int round = 0; round < kRounds; ++round) {
            auto start = Clock::now();
            double cpuStart = cpuSeconds();
            bytes = readAll(files);
            plainBest = std::min(plainBest, secondsSince(start));
            plainCpuBest = std::min(plainCpuBest, cpuSeconds() - cpuStart);

            start = Clock::now();
            cpuStart = cpuSeconds();
            const vimo::HRESULT hr = workspace.loadAll();
            const double load = secondsSince(start);
            const double loadCpu = cpuSeconds() - cpuStart;
            if (round == 0) {
                firstRatio = load / plainBest;
                firstCpuRatio = loadCpu / plainCpuBest;
            }
            loadBest = std::min(loadBest, load);
            loadCpuBest = std::min(loadCpuBest, loadCpu);
            if (hr != vimo::S_OK || workspace.catalogue().size() != kVimoCount) {
                std::fprintf(stderr, "loadAll failed: %d, %zu entries\n", hr,
                             workspace.catalogue().size());
                status = 1;
                break;
            }
        }
        std::printf("catalogue of %d service folders (%zu bytes of catalogue files)\n", kVimoCount,
                    bytes);
        std::printf("best of %d rounds        elapsed    processor\n", kRounds);
        std::printf("plain read of the files: %.3f s    %.3f s\n", plainBest, plainCpuBest);
        std::printf("loadAll:                 %.3f s    %.3f s\n", loadBest, loadCpuBest);
        std::printf("ratio (target <= 3):     %.2f       %.2f\n", loadBest / plainBest,
                    loadCpuBest / plainCpuBest);
        // The first read of a workspace also reads every package folder in search of its
        // marker; later ones read only the package folders that changed.
        std::printf("first round's ratio:     %.2f       %.2f\n", firstRatio, firstCpuRatio);
        return status;
    });
}
