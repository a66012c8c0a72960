// The served installation of RecordingPlatform.h.

#include "support/RecordingPlatform.h"

namespace vimo::test {

ServedInstallation::ServedInstallation()
{
    // The installation's registry: its prefix on Linux, its table on Windows.
    platform.env["WINEPREFIX"] = install.prefix().string();
    platform.registry = install.platform().registry;
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
