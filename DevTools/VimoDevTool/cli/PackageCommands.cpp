#include "cli/PackageCommands.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "workspace/PackageInspector.h"
#include "workspace/StringTable.h"
#include "workspace/UploadChecks.h"

#include <cstdio>

namespace vimo::cli {

ExitCode PackageCommands::files(const ParsedCommand& command)
{
    VimoInfo info;
    if (auto code = findVimo(command, info)) {
        return *code;
    }
    const PackageListing listing = PackageInspector(m_workspace).inspect(info);
    if (m_console.json()) {
        JsonWriter writer;
        writer.beginObject();
        writer.member("id", info.id);
        writer.member("folder", info.folder);
        writer.key("files");
        writer.beginArray();
        for (const InspectedFile& file : listing.files) {
            writer.beginObject();
            writer.member("path", file.relative);
            writer.key("size");
            if (file.size) {
                writer.value(*file.size);
            } else {
                writer.null();
            }
            writer.member("verdict", PackageInspector::verdictKey(file.verdict));
            writer.endObject();
        }
        writer.endArray();
        writer.member("packedCount", listing.packedCount);
        writer.member("packedBytes", listing.packedBytes);
        writer.member("limit", kUploadSizeLimit);
        writer.member("underLimit", listing.packedBytes < kUploadSizeLimit);
        writer.endObject();
        m_console.document(writer);
        return ExitCode::Success;
    }
    for (const InspectedFile& file : listing.files) {
        const std::string size = file.size ? groupDigits(*file.size) : "?";
        m_console.line(format::padRight(PackageInspector::verdictText(file.verdict), 14) +
                       format::padLeft(size, 11) + "  " + toUtf8(file.relative));
    }
    const std::uint64_t tenths = listing.packedBytes * 1000 / kUploadSizeLimit;
    const std::string percent = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    std::string summary = std::to_string(listing.packedCount) + " files packed, " +
                          groupDigits(listing.packedBytes) + " of " +
                          groupDigits(kUploadSizeLimit) + " bytes (" + percent + "%), uncompressed";
    if (listing.packedBytes >= kUploadSizeLimit) {
        summary += "; over the upload limit";
    }
    if (m_console.outIsTerminal()) {
        m_console.line(format::bar(listing.packedBytes, kUploadSizeLimit, 40) + " " + summary);
    } else {
        m_console.line(summary);
    }
    return ExitCode::Success;
}

std::string PackageCommands::copyArchive(const std::u16string& archive, const std::string& output,
                                         std::u16string& copied)
{
    FileSystem& files = m_workspace.files();
    std::u16string target = fromUtf8(output);
    if (files.isDirectory(target)) {
        if (!target.empty() && target.back() != kPathSeparator) {
            target += kPathSeparator;
        }
        target += archive.substr(archive.rfind(kPathSeparator) + 1);
    }
    copied = target;
    FileStatus source;
    FileStatus present;
    if (files.status(target, present) == 0 && files.status(archive, source) == 0 &&
        present.device == source.device && present.fileId == source.fileId) {
        return {}; // already there; copying a file onto itself would empty it
    }
    if (const int error = files.copyFile(archive, target)) {
        return "could not copy the archive to " + toUtf8(target) + ": " +
               failureFromErrno(error, target).reason;
    }
    return {};
}

ExitCode PackageCommands::pack(const ParsedCommand& command)
{
    VimoInfo info;
    if (auto code = findVimo(command, info)) {
        return *code;
    }
    m_workspace.removeVimoListCache(info.id);
    // The builder reports left-out files by title only; our own listing names them in full.
    const PackageListing listing = PackageInspector(m_workspace).inspect(info);
    std::vector<InspectedFile> leftOut;
    for (const InspectedFile& file : listing.files) {
        if (file.verdict == Verdict::NotAllowed || file.verdict == Verdict::NameNotPossible) {
            leftOut.push_back(file);
        }
    }

    std::u16string unsupported;
    const HRESULT hr = m_workspace.buildUploadPackage(info.id, unsupported);
    if (failed(hr)) {
        m_console.message(toUtf8(stringText(res::IDS_PACKAGE_FAILED)));
        return fail(command, ExitCode::Failure,
                    "the archive of \"" + command.argument() +
                        "\" was not built: " + format::cause(m_workspace.lastError(), hr));
    }

    const std::u16string archive = m_workspace.uploadArchivePath(info.id);
    FileStatus archiveStatus;
    const bool sizeKnown = m_workspace.files().status(archive, archiveStatus) == 0;
    const bool tooBig = hr == S_FALSE;
    std::u16string copied;
    std::string copyProblem;
    if (!tooBig && command.has("--output")) {
        copyProblem = copyArchive(archive, *command.value("--output"), copied);
    }

    if (m_console.json()) {
        JsonWriter writer;
        writer.beginObject();
        writer.member("id", info.id);
        writer.member("archive", archive);
        writer.key("size");
        if (sizeKnown) {
            writer.value(archiveStatus.size);
        } else {
            writer.null();
        }
        writer.member("limit", kUploadSizeLimit);
        writer.member("tooBig", tooBig);
        writer.key("leftOut");
        writer.beginArray();
        for (const InspectedFile& file : leftOut) {
            writer.value(file.relative);
        }
        writer.endArray();
        writer.member("unsupportedFiles", unsupported);
        if (!copied.empty() && copyProblem.empty()) {
            writer.member("output", copied);
        } else if (!copyProblem.empty()) {
            writer.member("outputError", copyProblem);
        }
        writer.endObject();
        m_console.document(writer);
    } else {
        m_console.line("archive: " + toUtf8(archive));
        m_console.line("size:    " +
                       (sizeKnown ? groupDigits(archiveStatus.size) : std::string("?")) + " bytes");
        for (const InspectedFile& file : leftOut) {
            const std::string why = file.verdict == Verdict::NotAllowed
                                        ? "extension not allowed"
                                        : PackageInspector::verdictText(file.verdict);
            m_console.line("left out (" + why + "): " + toUtf8(file.relative));
        }
        if (!copied.empty() && copyProblem.empty()) {
            m_console.line("copied to: " + toUtf8(copied));
        }
    }

    if (tooBig) {
        return m_console.fail(ExitCode::NothingDone, toUtf8(stringText(res::IDS_ARCHIVE_TOO_BIG)));
    }
    if (!unsupported.empty()) {
        m_console.message(toUtf8(unsupportedFilesText(unsupported)));
    }
    if (!copyProblem.empty()) {
        return fail(command, ExitCode::Failure, copyProblem);
    }
    return ExitCode::Success;
}

ExitCode PackageCommands::check(const ParsedCommand& command)
{
    VimoInfo info;
    if (auto code = findVimo(command, info)) {
        return *code;
    }
    const std::vector<CheckResult> results = UploadChecks(m_workspace).run(info);
    bool allPassed = true;
    for (const CheckResult& result : results) {
        allPassed = allPassed && result.passed;
    }
    if (m_console.json()) {
        JsonWriter writer;
        writer.beginObject();
        writer.member("id", info.id);
        writer.member("folder", info.folder);
        writer.member("passed", allPassed);
        writer.key("leftOutFolders");
        writer.beginArray();
        for (const LeftOutFolder& left : m_workspace.leftOutFolders()) {
            writer.beginObject();
            writer.member("folder", left.folder);
            writer.member("id", left.id);
            writer.member("reason", left.reason);
            writer.endObject();
        }
        writer.endArray();
        writer.key("checks");
        writer.beginArray();
        for (const CheckResult& result : results) {
            writer.beginObject();
            writer.member("check", result.check);
            writer.member("file", result.file);
            writer.member("passed", result.passed);
            writer.member("message", result.sentence);
            writer.endObject();
        }
        writer.endArray();
        writer.endObject();
        m_console.document(writer);
    } else {
        for (const CheckResult& result : results) {
            std::string line = result.passed ? "pass  " : "FAIL  ";
            line += format::padRight(result.check, 14);
            if (!result.file.empty()) {
                line += toUtf8(result.file) + ": ";
            }
            m_console.line(line + result.sentence);
        }
        for (const LeftOutFolder& left : m_workspace.leftOutFolders()) {
            m_console.message("warning: " + leftOutText(left));
        }
    }
    return allPassed ? ExitCode::Success : ExitCode::NothingDone;
}

} // namespace vimo::cli
