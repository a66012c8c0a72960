#pragma once

#include "workspace/VimoWorkspace.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vimo {

// Why a file of a service folder is in the upload archive or not.
enum class Verdict
{
    Packed,
    Ignored,         // named in the configuration's list of files to leave out
    NotAllowed,      // its extension is not allowed
    NameNotPossible, // its name holds a backslash, which Windows cannot hold
    LinkOutside,     // a symbolic link that leads out of the folder (or nowhere)
    ClientCache,     // the client's cached list, deleted before every packing
};

struct InspectedFile
{
    std::u16string path;               // as the listing gives it
    std::u16string relative;           // below the service folder, "/"-separated
    std::optional<std::uint64_t> size; // nothing when it cannot be read
    Verdict verdict = Verdict::Packed;
};

struct PackageListing
{
    std::u16string folder;
    std::vector<InspectedFile> files; // in packing order
    std::uint64_t packedCount = 0;
    std::uint64_t packedBytes = 0; // uncompressed
};

// The package inspector: the files of a Vimo's service folder with the verdict the upload
// package builder reaches for each, through the model's own listing and classification.
class PackageInspector
{
public:
    explicit PackageInspector(const VimoWorkspace& workspace);

    PackageListing inspect(const VimoInfo& info) const;

    // "packed", "ignored", "not allowed", "name not possible on Windows", "link outside",
    // "client cache".
    static const char* verdictText(Verdict verdict);
    // The same as JSON values: "packed", "ignored", "notAllowed", "nameNotPossible",
    // "linkOutside", "clientCache".
    static const char* verdictKey(Verdict verdict);

private:
    const VimoWorkspace& m_workspace;
};

} // namespace vimo
