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
    if (shellResult > 32) {
        return {};
    }
    return Failure{E_FAIL, command, "the shell answered " + std::to_string(shellResult)};
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
                                        const std::u16string& workingFolder) const
{
    startedIn.push_back(workingFolder);
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

} // namespace vimo::test
