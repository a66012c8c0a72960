// Starting the client and handing it reload commands through the desktop.

#include "platform/FileSystem.h"
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

HRESULT VimoWorkspace::launchClientProgram(const std::vector<std::u16string>& arguments)
{
    clearError();
    if (m_installFolder.empty()) {
        return S_FALSE;
    }
    const std::u16string program = files().resolveBelow(m_installFolder, kClientProgram);
    if (Failure failure = m_platform.startProgram(program, arguments, m_installFolder);
        !failure.empty()) {
        // The described result is a generic failure, whatever the system said.
        failure.code = E_FAIL;
        return fail(failure);
    }
    return S_OK;
}

// The command goes only to a client that runs: handing it to a session where none does would
// start the session (under Wine: initialise the prefix) just to deliver it.
HRESULT VimoWorkspace::notifyClient(const std::u16string& command)
{
    clearError();
    if (!IsClientRunning()) {
        return S_OK;
    }
    if (Failure failure = m_platform.shellOpenClientCommand(command); !failure.empty()) {
        failure.code = E_FAIL;
        return fail(failure);
    }
    return S_OK;
}

HRESULT VimoWorkspace::LaunchClient()
{
    return launchClientProgram({});
}

HRESULT VimoWorkspace::LaunchSecondClient()
{
    return launchClientProgram({kSecondInstanceArgument});
}

HRESULT VimoWorkspace::NotifyReloadVimoList()
{
    return notifyClient(kReloadVimoListCommand);
}

HRESULT VimoWorkspace::NotifyRefreshPackages()
{
    return notifyClient(kRefreshPackagesCommand);
}

} // namespace vimo
