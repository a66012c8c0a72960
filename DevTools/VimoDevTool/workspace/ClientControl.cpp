// Starting the client and handing it reload commands through the desktop.

#include "platform/Platform.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"

namespace vimo {

namespace {

const std::u16string kClientProgram = u"orvo.exe";
const std::u16string kClientWindowTitle = u"ORVO";
const std::u16string kSecondInstanceArgument = u"MultiInstance";
const std::u16string kReloadVimoListCommand = u"orvo:reloadVimoList";
const std::u16string kRefreshPackagesCommand = u"orvo:refresh_packages";

// The shell's numbers above 32 mean it accepted the request.
constexpr int kShellSuccessAbove = 32;

} // namespace

bool VimoWorkspace::IsClientRunning()
{
    return m_platform.isProgramRunning(kClientProgram);
}

bool VimoWorkspace::HasSecondClientWindow()
{
    m_clientWindowCount = 0;
    m_platform.enumerateWindowTitles([this](const std::u16string& title) {
        if (equalsIgnoreAsciiCase(title, kClientWindowTitle)) {
            ++m_clientWindowCount;
        }
        return m_clientWindowCount < 2;
    });
    return m_clientWindowCount >= 2;
}

namespace {

// On failure `cause` names the program and says why.
HRESULT launch(const Platform& platform, const std::u16string& installFolder,
               const std::vector<std::u16string>& arguments, Failure& cause)
{
    if (installFolder.empty()) {
        return S_FALSE;
    }
    const std::u16string program =
        VimoWorkspace::withTrailingBackslash(installFolder) + kClientProgram;
    if (!platform.startProgram(program, arguments, installFolder)) {
        cause = Failure{E_FAIL, program, "the program could not be started"};
        return E_FAIL;
    }
    return S_OK;
}

HRESULT notify(VimoWorkspace& workspace, const std::u16string& command, Failure& cause)
{
    if (!workspace.IsClientRunning()) {
        return S_OK;
    }
    if (const int answer = workspace.platform().shellOpenClientCommand(command);
        answer <= kShellSuccessAbove) {
        cause = Failure{E_FAIL, command,
                        "the command was not delivered to the client (answer " +
                            std::to_string(answer) + ")"};
        return E_FAIL;
    }
    return S_OK;
}

} // namespace

HRESULT VimoWorkspace::LaunchClient()
{
    clearError();
    Failure cause;
    const HRESULT hr = launch(m_platform, m_installFolder, {}, cause);
    return failed(hr) ? fail(cause) : hr;
}

HRESULT VimoWorkspace::LaunchSecondClient()
{
    clearError();
    Failure cause;
    const HRESULT hr = launch(m_platform, m_installFolder, {kSecondInstanceArgument}, cause);
    return failed(hr) ? fail(cause) : hr;
}

HRESULT VimoWorkspace::NotifyReloadVimoList()
{
    clearError();
    Failure cause;
    return failed(notify(*this, kReloadVimoListCommand, cause)) ? fail(cause) : S_OK;
}

HRESULT VimoWorkspace::NotifyRefreshPackages()
{
    clearError();
    Failure cause;
    return failed(notify(*this, kRefreshPackagesCommand, cause)) ? fail(cause) : S_OK;
}

} // namespace vimo
