#include "cli/CatalogueCommands.h"

#include "platform/Text.h"
#include "workspace/RecordValidator.h"
#include "workspace/StringTable.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace vimo::cli {

ExitCode CatalogueCommands::list(const ParsedCommand& command)
{
    const VimoMap vimos = command.has("--dev")         ? m_workspace.GetDevVimos()
                          : command.has("--published") ? m_workspace.GetPublishedVimos()
                                                       : m_workspace.catalogue();
    if (m_console.json()) {
        Json records = Json::array();
        for (const auto& [id, info] : vimos) {
            records.push_back(record(info));
        }
        m_console.document(Json{{"vimos", records}});
        return ExitCode::Success;
    }
    if (vimos.empty()) {
        return ExitCode::Success;
    }
    std::size_t idWidth = 2;
    std::size_t nameWidth = 4;
    for (const auto& [id, info] : vimos) {
        idWidth = std::max(idWidth, toUtf8(info.id).size());
        nameWidth = std::max(nameWidth, toUtf8(info.name).size());
    }
    auto row = [&](const std::string& id, const std::string& name, const std::string& state,
                   const std::string& folder) {
        m_console.line(format::padRight(id, idWidth + 2) + format::padRight(name, nameWidth + 2) +
                       format::padRight(state, 11) + folder);
    };
    row("ID", "NAME", "STATE", "FOLDER");
    for (const auto& [id, info] : vimos) {
        row(toUtf8(info.id), toUtf8(info.name), stateName(info), toUtf8(info.folder));
    }
    return ExitCode::Success;
}

ExitCode CatalogueCommands::show(const ParsedCommand& command)
{
    VimoInfo info;
    if (auto code = findVimo(command, info)) {
        return *code;
    }
    const std::u16string source = m_workspace.sourceFolder(info.id);
    const std::u16string icons = m_workspace.iconsFolder(info.id);
    const std::u16string archive = m_workspace.uploadArchivePath(info.id);
    if (m_console.json()) {
        Json document = record(info);
        document["sourceFolder"] = text(source);
        document["iconsFolder"] = text(icons);
        document["archive"] = text(archive);
        m_console.document(document);
        return ExitCode::Success;
    }
    printRecord(info);
    m_console.line(format::padRight("sourceFolder:", 20) + toUtf8(source));
    m_console.line(format::padRight("iconsFolder:", 20) + toUtf8(icons));
    m_console.line(format::padRight("archive:", 20) + toUtf8(archive));
    return ExitCode::Success;
}

std::string CatalogueCommands::checkSetArguments(const ParsedCommand& command, ExitCode& code)
{
    code = ExitCode::Usage;
    for (const char* option : {"--width", "--height"}) {
        if (auto text = command.value(option)) {
            if (!CommandLine::parseCount(*text)) {
                return "vimoctl set: " + std::string(option) +
                       " takes a whole number of pixels, not \"" + *text + "\"";
            }
        }
    }
    // XML 1.0 cannot hold these, so the catalogue file could not be saved with them.
    code = ExitCode::NothingDone;
    for (const char* option : {"--name", "--desc", "--web"}) {
        if (auto text = command.value(option)) {
            for (unsigned char c : *text) {
                if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                    char codePoint[8];
                    std::snprintf(codePoint, sizeof codePoint, "U+%04X", c);
                    return "vimoctl set: " + std::string(option) + " holds the control character " +
                           codePoint + ", which the catalogue file cannot store";
                }
            }
        }
    }
    return {};
}

namespace {

// A count from the command line as the form's unsigned field holds it; anything beyond
// the 32-bit range is out of range all the same.
std::int64_t pixels(const std::string& text)
{
    const std::uint64_t value = CommandLine::parseCount(text).value_or(0);
    return static_cast<std::int64_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

ExitCode CatalogueCommands::set(const ParsedCommand& command)
{
    VimoInfo stored;
    if (auto code = findVimo(command, stored)) {
        return *code;
    }
    if (!stored.isDev) {
        return fail(command, ExitCode::NothingDone,
                    "\"" + command.argument() +
                        "\" is published; make an under-development copy of it with vimoctl copy");
    }

    // The form as the window would hold it after the edits: given values replace the record's.
    const RecordValidator validator(m_workspace.configuration());
    const auto nameOption = command.value("--name");
    const auto descOption = command.value("--desc");
    const std::u16string name =
        RecordValidator::trimWhiteSpace(nameOption ? fromUtf8(*nameOption) : stored.name);
    const std::u16string desc = descOption ? fromUtf8(*descOption) : stored.desc;
    const std::int64_t width =
        command.has("--width") ? pixels(*command.value("--width")) : stored.width;
    const std::int64_t height =
        command.has("--height") ? pixels(*command.value("--height")) : stored.height;
    const bool web = command.has("--web") || (stored.isDhtml && !command.has("--local"));
    const bool interactive = command.has("--interactive") ||
                             (stored.requiresInvitation && !command.has("--no-interactive"));

    // The window's checks in its order; the length limits are what its fields let one type.
    std::optional<std::string> problem = validator.nameProblem(name);
    if (!problem && nameOption) {
        problem = validator.nameLengthProblem(name);
    }
    if (!problem && descOption) {
        problem = validator.descLengthProblem(desc);
    }
    if (!problem) {
        problem = RecordValidator::widthProblem(width);
    }
    if (!problem) {
        problem = RecordValidator::heightProblem(height);
    }
    if (problem) {
        return m_console.fail(ExitCode::NothingDone, *problem);
    }

    VimoInfo edited = stored;
    edited.name = name;
    edited.desc = desc;
    edited.width = width == 0 ? 500 : static_cast<std::int32_t>(width);
    edited.height = height == 0 ? 500 : static_cast<std::int32_t>(height);
    edited.requiresInvitation = interactive;
    edited.isDhtml = web;
    edited.isDev = true;
    edited.url = web ? (command.has("--web") ? fromUtf8(*command.value("--web")) : stored.url)
                     : m_workspace.localMainFileUrl();

    const HRESULT hr = m_workspace.writeVimo(edited.id, edited);
    if (failed(hr)) {
        m_console.message(toUtf8(stringText(res::IDS_SAVE_FAILED)));
        // A text the file cannot hold is refused, not a failure of the disk.
        return failWithCause(command,
                             "the catalogue file of \"" + command.argument() + "\" was not written",
                             hr, hr == E_INVALIDARG ? ExitCode::NothingDone : ExitCode::Failure);
    }
    // The window takes any address; say so when `check` would refuse it.
    if (edited.isDhtml) {
        if (auto addressProblem = RecordValidator::webAddressProblem(edited.url)) {
            m_console.message("warning: " + *addressProblem);
        }
    }
    m_workspace.removeVimoListCache(edited.id);
    m_workspace.NotifyReloadVimoList();

    VimoInfo saved = edited;
    m_workspace.getVimo(edited.id, saved);
    if (m_console.json()) {
        m_console.document(record(saved));
    } else {
        printRecord(saved);
    }
    return ExitCode::Success;
}

ExitCode CatalogueCommands::copy(const ParsedCommand& command)
{
    VimoInfo source;
    if (auto code = findVimo(command, source)) {
        return *code;
    }
    if (source.isDev) {
        return fail(command, ExitCode::NothingDone,
                    "\"" + command.argument() +
                        "\" is already under development; copies are made of published Vimos");
    }
    std::u16string newId;
    const HRESULT hr = m_workspace.createDevelopmentCopy(source.id, newId);
    VimoInfo copy;
    const bool inCatalogue = !newId.empty() && m_workspace.getVimo(newId, copy) == S_OK;
    if (failed(hr) || !inCatalogue) {
        std::string text = "could not make a copy of \"" + command.argument() + "\"";
        if (!newId.empty()) {
            text += " (the copy " + toUtf8(newId) + " is incomplete)";
        }
        if (failed(hr)) {
            return failWithCause(command, text, hr);
        }
        return fail(command, ExitCode::NothingDone, text);
    }
    if (m_console.json()) {
        m_console.document(Json{
            {"id", text(copy.id)}, {"source", text(source.id)}, {"folder", text(copy.folder)}});
    } else {
        m_console.line(copy.id);
    }
    return ExitCode::Success;
}

} // namespace vimo::cli
