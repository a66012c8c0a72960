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
        Json files = Json::array();
        for (const InspectedFile& file : listing.files) {
            files.push_back(Json{{"path", text(file.relative)},
                                 {"size", file.size ? Json(*file.size) : Json()},
                                 {"verdict", PackageInspector::verdictKey(file.verdict)}});
        }
        m_console.document(Json{{"id", text(info.id)},
                                {"folder", text(info.folder)},
                                {"files", files},
                                {"packedCount", listing.packedCount},
                                {"packedBytes", listing.packedBytes},
                                {"limit", kUploadSizeLimit},
                                {"underLimit", listing.packedBytes < kUploadSizeLimit}});
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

namespace {

std::vector<std::u16string> splitList(const std::u16string& list)
{
    std::vector<std::u16string> items;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(u", ", start);
        if (end == std::u16string::npos) {
            end = list.size();
        }
        items.push_back(list.substr(start, end - start));
        start = end + 2;
    }
    return items;
}

} // namespace

ExitCode PackageCommands::pack(const ParsedCommand& command)
{
    VimoInfo info;
    if (auto code = findVimo(command, info)) {
        return *code;
    }
    const std::u16string archive = m_workspace.uploadArchivePath(info.id);
    if (command.has("--strict")) {
        if (auto code = refuseWithFindings(command, info, archive)) {
            return *code;
        }
    }
    m_workspace.removeVimoListCache(info.id);
    // The builder reports left-out files by title only; our own listing names them in full.
    const PackageListing listing = PackageInspector(m_workspace).inspect(info);

    std::u16string unsupported;
    const HRESULT hr = m_workspace.buildUploadPackage(info.id, unsupported);
    if (failed(hr)) {
        m_console.message(toUtf8(stringText(res::IDS_PACKAGE_FAILED)));
        return failWithCause(command, "the archive of \"" + command.argument() + "\" was not built",
                             hr);
    }

    FileStatus archiveStatus;
    const bool sizeKnown = m_workspace.files().status(archive, archiveStatus) == 0;
    const bool tooBig = hr == S_FALSE;
    std::u16string copied;
    std::string copyProblem;
    if (!tooBig && command.has("--output")) {
        copyProblem = copyArchive(archive, *command.value("--output"), copied);
    }

    if (m_console.json()) {
        // Members are named below the service folder's own name, as the builder names them.
        const std::u16string top = fromFsPath(toFsPath(info.folder).filename()) + u"/";
        Json members = Json::array();
        Json leftOut = Json::array();
        for (const InspectedFile& file : listing.files) {
            if (file.verdict == Verdict::Packed) {
                members.push_back(text(top + file.relative));
            } else {
                leftOut.push_back(Json{{"path", text(file.relative)},
                                       {"reason", PackageInspector::verdictKey(file.verdict)}});
            }
        }
        Json unsupportedFiles = Json::array();
        for (const std::u16string& title : splitList(unsupported)) {
            unsupportedFiles.push_back(text(title));
        }
        const bool copiedOk = !copied.empty() && copyProblem.empty();
        m_console.document(Json{{"id", text(info.id)},
                                {"built", true},
                                {"archive", text(archive)},
                                {"size", sizeKnown ? Json(archiveStatus.size) : Json()},
                                {"limit", kUploadSizeLimit},
                                {"tooBig", tooBig},
                                {"members", members},
                                {"leftOut", leftOut},
                                {"unsupportedFiles", unsupportedFiles},
                                {"findings", Json::array()},
                                {"output", copiedOk ? text(copied) : Json()},
                                {"outputError", copyProblem.empty() ? Json() : Json(copyProblem)}});
    } else {
        m_console.line("archive: " + toUtf8(archive));
        m_console.line("size:    " +
                       (sizeKnown ? groupDigits(archiveStatus.size) : std::string("?")) + " bytes");
        for (const InspectedFile& file : listing.files) {
            if (file.verdict == Verdict::Packed) {
                m_console.line("packed:  " + toUtf8(file.relative));
            }
        }
        for (const InspectedFile& file : listing.files) {
            if (file.verdict != Verdict::Packed && file.verdict != Verdict::ClientCache) {
                const char* why = file.verdict == Verdict::NotAllowed
                                      ? "extension not allowed"
                                      : PackageInspector::verdictText(file.verdict);
                m_console.line(std::string("left out (") + why + "): " + toUtf8(file.relative));
            }
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

std::optional<ExitCode> PackageCommands::refuseWithFindings(const ParsedCommand& command,
                                                            const VimoInfo& info,
                                                            const std::u16string& archive)
{
    std::vector<CheckResult> findings;
    for (CheckResult& result : UploadChecks(m_workspace).run(info)) {
        if (!result.passed) {
            findings.push_back(std::move(result));
        }
    }
    if (findings.empty()) {
        return std::nullopt;
    }
    if (m_console.json()) {
        Json list = Json::array();
        for (const CheckResult& finding : findings) {
            list.push_back(checkJson(finding));
        }
        m_console.document(Json{{"id", text(info.id)},
                                {"built", false},
                                {"archive", text(archive)},
                                {"size", nullptr},
                                {"limit", kUploadSizeLimit},
                                {"tooBig", false},
                                {"members", Json::array()},
                                {"leftOut", Json::array()},
                                {"unsupportedFiles", Json::array()},
                                {"findings", list},
                                {"output", nullptr},
                                {"outputError", nullptr}});
    }
    for (const CheckResult& finding : findings) {
        m_console.message("vimoctl pack: " + finding.check + ": " +
                          (finding.file.empty() ? std::string() : toUtf8(finding.file) + ": ") +
                          finding.sentence);
    }
    return fail(command, ExitCode::NothingDone,
                "--strict: " + std::to_string(findings.size()) +
                    (findings.size() == 1 ? " check fails" : " checks fail") +
                    ", so nothing was packed");
}

Json PackageCommands::checkJson(const CheckResult& result)
{
    return Json{{"check", result.check},
                {"file", optionalText(result.file)},
                {"passed", result.passed},
                {"message", result.sentence}};
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
        Json leftOutFolders = Json::array();
        for (const LeftOutFolder& left : m_workspace.leftOutFolders()) {
            leftOutFolders.push_back(Json{
                {"folder", text(left.folder)}, {"id", text(left.id)}, {"reason", left.reason}});
        }
        Json checks = Json::array();
        for (const CheckResult& result : results) {
            checks.push_back(checkJson(result));
        }
        m_console.document(Json{{"id", text(info.id)},
                                {"folder", text(info.folder)},
                                {"passed", allPassed},
                                {"leftOutFolders", leftOutFolders},
                                {"checks", checks}});
    } else {
        for (const CheckResult& result : results) {
            std::string line = result.passed ? m_console.coloured("pass", 32) + "  "
                                             : m_console.coloured("FAIL", 31) + "  ";
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
