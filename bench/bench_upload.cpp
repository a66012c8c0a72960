// Times packing a 4.9 MB Vimo of 200 files (text, image-like data, incompressible data) with
// buildUploadPackage against the engine's own command line, `7z a -tzip`, on the same files in
// the same order, and prints both and their ratio (target: at most 1.2).

#include "platform/Text.h"
#include "support/BenchSupport.h"
#include "workspace/VimoWorkspace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vimo::bench::Clock;
using vimo::bench::secondsSince;
using vimo::bench::writeFile;

namespace {

constexpr int kRounds = 5;
const std::string kId = "bench";

// 80 text files, 60 image-like files (smooth rows with noise) and 60 incompressible ones,
// about 4.9 MB in all, spread over a few folders.
std::size_t writeVimo(const fs::path& folder)
{
    std::mt19937 random(7);
    std::size_t total = 0;
    const std::string words[] = {"vimo ",     "window ", "<div class=\"item\">", "</div>\n",
                                 "function ", "return ", "color: #336699;\n",    "orvo "};
    for (int i = 0; i < 80; ++i) {
        std::string text;
        while (text.size() < 15000) {
            text += words[random() % 8];
        }
        const char* extension = i % 3 == 0 ? ".html" : (i % 3 == 1 ? ".js" : ".css");
        writeFile(folder / "ver1" / "content" / kId / ("page" + std::to_string(i) + extension),
                  text);
        total += text.size();
    }
    for (int i = 0; i < 60; ++i) {
        std::string image(30000, '\0');
        for (std::size_t p = 0; p < image.size(); ++p) {
            image[p] = static_cast<char>((p % 256) + (random() % 16));
        }
        writeFile(folder / "ver1" / "content" / kId / "img" / ("pic" + std::to_string(i) + ".png"),
                  image);
        total += image.size();
    }
    for (int i = 0; i < 60; ++i) {
        std::string noise(31600, '\0');
        for (char& byte : noise) {
            byte = static_cast<char>(random());
        }
        writeFile(folder / "ver1" / "theme" / kId / ("photo" + std::to_string(i) + ".jpg"), noise);
        total += noise.size();
    }
    return total;
}

} // namespace

int main()
{
    if (std::system("command -v 7z >/dev/null 2>&1") != 0) {
        std::fprintf(stderr, "7z is not installed (p7zip-full)\n");
        return 1;
    }
    return vimo::bench::runInScratchFolder("vimo-bench", [](const fs::path& root) {
        const fs::path install = root / "Orvo";
        const fs::path services = install / "services";
        const fs::path folder = services / ("orvo" + kId + "Vimoz");
        writeFile(folder / "ver1" / "VimozList.xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vimozList>\n  <vimoz>\n"
                  "    <vimo id=\"" +
                      kId +
                      "\" name=\"Bench\" desc=\"d\" width=\"400\" "
                      "height=\"300\" url=\"index.html\" requiresInvitation=\"false\" "
                      "type=\"localDhtml\" devStatus=\"dev\" userCreated=\"true\"/>\n"
                      "  </vimoz>\n</vimozList>\n");
        const std::size_t bytes = writeVimo(folder);

        vimo::VimoWorkspace workspace;
        workspace.setInstallFolder(vimo::fromUtf8(install.string()));
        vimo::DeveloperConfiguration config;
        config.allowedExtensions = {u"html", u"js", u"css", u"png", u"jpg", u"xml"};
        workspace.setConfiguration(config);
        if (workspace.loadAll() != vimo::S_OK || workspace.catalogue().size() != 1) {
            throw std::runtime_error("the catalogue could not be read");
        }

        // The command line gets the same files in the same order, named as the members are.
        const fs::path list = root / "list.txt";
        std::ofstream listOut(list);
        std::size_t fileCount = 0;
        for (const std::u16string& path :
             workspace.listFolderFiles(vimo::fromUtf8(folder.string()))) {
            listOut << fs::relative(vimo::toUtf8(path), services).string() << "\n";
            ++fileCount;
        }
        listOut.close();
        const fs::path cliArchive = root / "cli.zip";
        const std::string command = "cd '" + services.string() +
                                    "' && 7z a -tzip -bd -bso0 -bsp0 '" + cliArchive.string() +
                                    "' @'" + list.string() + "'";

        double oursBest = 1e9;
        double cliBest = 1e9;
        for (int round = 0; round < kRounds; ++round) {
            std::u16string unsupported;
            auto start = Clock::now();
            const vimo::HRESULT hr = workspace.buildUploadPackage(vimo::fromUtf8(kId), unsupported);
            oursBest = std::min(oursBest, secondsSince(start));
            if (hr < 0) {
                throw std::runtime_error("buildUploadPackage failed: " + std::to_string(hr));
            }

            fs::remove(cliArchive);
            start = Clock::now();
            if (std::system(command.c_str()) != 0) {
                throw std::runtime_error("7z failed");
            }
            cliBest = std::min(cliBest, secondsSince(start));
        }
        std::printf("Vimo of %zu files, %zu bytes\n", fileCount, bytes);
        std::printf("buildUploadPackage: %.3f s (archive %ju bytes)\n", oursBest,
                    static_cast<std::uintmax_t>(fs::file_size(folder.string() + ".zip")));
        std::printf("7z a -tzip:         %.3f s (archive %ju bytes)\n", cliBest,
                    static_cast<std::uintmax_t>(fs::file_size(cliArchive)));
        std::printf("ratio:              %.2f (target <= 1.2)\n", oursBest / cliBest);
        return 0;
    });
}
