// Times an under-development copy of a Vimo of 1,000 files in 50 folders, with its package,
// against `cp -r` of the same two folders, and prints both and their ratio (target: at most 2).

#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/BenchSupport.h"
#include "workspace/VimoWorkspace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vimo::bench::Clock;
using vimo::bench::writeFile;

namespace {

constexpr int kFolders = 50;
constexpr int kFilesPerFolder = 20;
constexpr int kPackageFiles = 20;
constexpr int kRounds = 7;

// File sizes like a web Vimo's: mostly small, a few larger assets.
std::string contentOf(int index)
{
    const std::size_t size = index % 10 == 0 ? 64 * 1024 : 512 + (index * 397) % 6000;
    std::string text(size, ' ');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + (i * 31 + static_cast<std::size_t>(index)) % 26);
    }
    return text;
}

void makeInstallation(const fs::path& install, const std::string& id)
{
    const fs::path service = install / "services" / ("orvo" + id + "Vimoz");
    writeFile(service / "ver1" / "VimozList.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vimozList><vimoz><vimo id=\"" + id +
                  "\" name=\"Bench\" desc=\"\" width=\"400\" height=\"300\" url=\"index.html\" "
                  "requiresInvitation=\"false\" type=\"localDhtml\" devStatus=\"published\" "
                  "userCreated=\"true\"/></vimoz></vimozList>\n");
    int index = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
        const fs::path dir = service / "ver1" / "content" / id / ("part" + std::to_string(folder));
        // One file fewer in the first folder makes room for the catalogue file: 1,000 in all.
        const int count = folder == 0 ? kFilesPerFolder - 1 : kFilesPerFolder;
        for (int file = 0; file < count; ++file, ++index) {
            static const char* const extensions[] = {"html", "js", "css", "png"};
            writeFile(dir / ("file" + std::to_string(file) + "." + extensions[file % 4]),
                      contentOf(index));
        }
    }
    const fs::path package = install / "packages" / id;
    writeFile(package / "Vimoz" / "VimoConfig.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r><is><i Key=\"EnableReload\" "
              "Value=\"1\"/></is></r>\n");
    for (int file = 0; file < kPackageFiles; ++file) {
        writeFile(package / ("data" + std::to_string(file) + ".bin"), contentOf(file));
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsSince(Clock::time_point start)
{
    return vimo::bench::secondsSince(start) * 1000.0;
}

} // namespace

int main()
{
    return vimo::bench::runInScratchFolder("vimo-bench-copy", [](const fs::path& root) {
        const fs::path install = root / "Orvo";
        const std::string id = "benchvimo";
        makeInstallation(install, id);

        vimo::VimoWorkspace workspace;
        workspace.setInstallFolder(vimo::fromFsPath(install));
        vimo::DeveloperConfiguration configuration;
        configuration.allowedExtensions = {u"xml", u"html", u"js", u"css", u"png"};
        workspace.setConfiguration(configuration);
        if (vimo::failed(workspace.loadAll()) || workspace.catalogue().empty()) {
            std::fprintf(stderr, "the bench installation could not be read\n");
            return 1;
        }

        const std::string service = (install / "services" / ("orvo" + id + "Vimoz")).string();
        const std::string package = (install / "packages" / id).string();
        std::vector<double> copyTimes;
        std::vector<double> cpTimes;
        std::size_t copiedFiles = 0;
        // Round 0 warms the page cache for both; the rounds alternate so that both see the same
        // machine.
        for (int round = 0; round <= kRounds; ++round) {
            std::u16string newId;
            auto start = Clock::now();
            const vimo::HRESULT hr = workspace.createDevelopmentCopy(vimo::fromUtf8(id), newId);
            const double copyTime = millisecondsSince(start);
            if (vimo::failed(hr)) {
                std::fprintf(stderr, "createDevelopmentCopy failed: 0x%08x\n",
                             static_cast<unsigned>(hr));
                return 1;
            }
            if (round == 0) {
                copiedFiles =
                    workspace
                        .listFolderFiles(workspace.servicesFolder() + u"orvo" + newId + u"Vimoz")
                        .size();
            }
            const fs::path target = root / ("cp" + std::to_string(round));
            fs::create_directories(target);
            const std::string command =
                "cp -r '" + service + "' '" + package + "' '" + target.string() + "'";
            start = Clock::now();
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "cp -r failed\n");
                return 1;
            }
            const double cpTime = millisecondsSince(start);
            if (round > 0) {
                copyTimes.push_back(copyTime);
                cpTimes.push_back(cpTime);
            }
        }
        const double copy = median(copyTimes);
        const double cp = median(cpTimes);
        std::printf("Vimo of %zu files in %d folders, package of %d files; median of %d rounds\n",
                    copiedFiles, kFolders, kPackageFiles + 1, kRounds);
        std::printf("createDevelopmentCopy: %8.2f ms\n", copy);
        std::printf("cp -r:                 %8.2f ms\n", cp);
        std::printf("ratio:                 %8.2f (target <= 2)\n", copy / cp);
        return 0;
    });
}
