// A service folder's catalogue file: read into the catalogue, written back as an Apply writes
// it, and read again. What was written must be what is read back.

#include "FuzzSupport.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"

#include <cstddef>
#include <cstdint>

namespace {

using vimo::VimoInfo;

std::string describe(const VimoInfo& info)
{
    using vimo::toUtf8;
    return "id=" + toUtf8(info.id) + " name=" + toUtf8(info.name) + " desc=" + toUtf8(info.desc) +
           " width=" + std::to_string(info.width) + " height=" + std::to_string(info.height) +
           " url=" + toUtf8(info.url) + " interactive=" + std::to_string(info.requiresInvitation) +
           " dhtml=" + std::to_string(info.isDhtml) + " dev=" + std::to_string(info.isDev);
}

bool sameRecord(const VimoInfo& a, const VimoInfo& b)
{
    return a.id == b.id && a.name == b.name && a.desc == b.desc && a.width == b.width &&
           a.height == b.height && a.url == b.url && a.requiresInvitation == b.requiresInvitation &&
           a.isDhtml == b.isDhtml && a.isDev == b.isDev && a.folder == b.folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vimo;
    namespace fs = std::filesystem;
    static const fs::path install = fuzz::scratchFolder() / "Orvo";
    static const fs::path service = install / "services" / "orvofuzzVimoz";
    const fs::path file = service / "ver1" / "VimozList.xml";
    fuzz::writeFile(file, std::string_view(reinterpret_cast<const char*>(data), size));

    PosixPlatform platform;
    VimoWorkspace first(platform);
    first.setInstallFolder(fromFsPath(install));
    const std::u16string folder = fromFsPath(service);
    if (first.addFromFolder(folder) != S_OK || first.catalogue().empty()) {
        return 0;
    }
    const VimoInfo read = first.catalogue().begin()->second;

    // An Apply: every field the form edits, and the status set to under development.
    VimoInfo edited = read;
    edited.isDev = true;
    edited.width = read.width == 0 ? 500 : read.width;
    if (failed(first.writeVimo(read.id, edited))) {
        return 0; // a refused save is reported; what matters is what a good one writes
    }

    VimoWorkspace second(platform);
    second.setInstallFolder(fromFsPath(install));
    if (second.addFromFolder(folder) != S_OK) {
        fuzz::broken("the written catalogue file no longer reads: " + describe(edited));
    }
    VimoInfo reread;
    if (second.getVimo(read.id, reread) != S_OK) {
        fuzz::broken("the written entry is not found under its identifier: " + describe(edited));
    }
    if (!sameRecord(reread, edited)) {
        fuzz::broken("wrote " + describe(edited) + "\nread back " + describe(reread));
    }
    return 0;
}
