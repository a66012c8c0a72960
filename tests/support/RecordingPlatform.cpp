#include "support/RecordingPlatform.h"

namespace vimo::test {

int RecordingPlatform::shellOpen(const std::u16string& target) const
{
    opened.push_back(target);
    return shellResult;
}

Failure RecordingPlatform::shellOpenClientCommand(const std::u16string& command) const
{
    clientCommands.push_back(command);
    return {};
}

void RecordingPlatform::enumerateWindowTitles(
    const std::function<bool(const std::u16string&)>& visit) const
{
    for (const std::u16string& title : windowTitles) {
        if (!visit(title)) {
            return;
        }
    }
}

Failure RecordingPlatform::startProgram(const std::u16string& program,
                                        const std::vector<std::u16string>& arguments,
                                        const std::u16string&) const
{
    std::vector<std::u16string> call{program};
    call.insert(call.end(), arguments.begin(), arguments.end());
    started.push_back(call);
    return startResult ? Failure{} : Failure{E_FAIL, program, "wine was not found on PATH"};
}

bool FakeClipboard::setText(const std::u16string& value, std::string& whyNot)
{
    ++calls;
    if (!accept) {
        whyNot = "another program holds the clipboard";
        return false;
    }
    text = value;
    return true;
}

ServedInstallation::ServedInstallation()
{
    platform.env["WINEPREFIX"] = install.prefix().string();
    platform.env["ORVO_DEVELOPER_SERVER"] = server.baseUrl();
    platform.env["ORVO_CONTENT_SERVER"] = "http://content.example";
}

void ServedInstallation::addDev(const std::string& id, const std::string& name, bool web)
{
    VimoSpec spec = vimoSpec(id);
    spec.name = name;
    if (web) {
        spec.type = "dhtml";
        spec.url = "http://web.example/" + id + "/index.html";
    }
    install.addVimo(spec);
}

void ServedInstallation::addPublished(const std::string& id, const std::string& name)
{
    VimoSpec spec = vimoSpec(id, "released");
    spec.name = name;
    install.addVimo(spec);
}

std::string ServedInstallation::catalogue(const std::string& id) const
{
    return readFile(install.serviceFolder(id) / "ver1" / "VimozList.xml");
}

} // namespace vimo::test
