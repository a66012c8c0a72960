#include "support/ZipReader.h"

#include "support/Fixtures.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace vimo::test {

namespace {

const char* const kReaderScript = R"(import os, sys, zipfile
try:
    z = zipfile.ZipFile(sys.argv[1])
    bad = z.testzip()
    if bad is not None:
        print("BAD", bad.encode("utf-8").hex())
        sys.exit(0)
    print("OK")
    with open(os.path.join(sys.argv[2], "contents"), "wb") as out:
        for info in z.infolist():
            out.write(z.read(info))
            print(info.filename.encode("utf-8").hex(), info.compress_type, info.file_size,
                  info.external_attr, info.date_time[0], info.create_system)
except Exception as error:
    print("ERROR", str(error).encode("utf-8").hex())
)";

std::string fromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

} // namespace

ZipListing readZip(const std::filesystem::path& archive)
{
    ZipListing listing;
    TempDir work;
    writeFile(work.path() / "read_zip.py", kReaderScript);
    // Debian's own interpreter when present: a version manager's shim costs a second a call.
    const std::string python =
        std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string command = python + " '" + (work.path() / "read_zip.py").string() + "' '" +
                                archive.string() + "' '" + work.path().string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        listing.error = "python3 could not be started";
        return listing;
    }
    std::string output;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, got);
    }
    ::pclose(pipe);

    std::istringstream lines(output);
    std::string status;
    lines >> status;
    if (status != "OK") {
        std::string detail;
        lines >> detail;
        listing.error = status + " " + fromHex(detail) + (status.empty() ? output : "");
        return listing;
    }
    listing.ok = true;
    // Every member's bytes, one after the other, in a single file: one file per member would
    // cost more than the whole archive for a Vimo of many small files.
    const std::string contents = readFile(work.path() / "contents");
    std::size_t offset = 0;
    std::string hexName;
    while (lines >> hexName) {
        ZipMember member;
        member.name = fromHex(hexName);
        lines >> member.method >> member.size >> member.externalAttributes >> member.year >>
            member.hostSystem;
        member.content = contents.substr(std::min(offset, contents.size()), member.size);
        offset += member.size;
        listing.members.push_back(std::move(member));
    }
    return listing;
}

std::vector<std::string> memberNames(const ZipListing& zip)
{
    std::vector<std::string> names;
    for (const ZipMember& member : zip.members) {
        names.push_back(member.name);
    }
    return names;
}

} // namespace vimo::test
