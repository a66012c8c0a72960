// A package's plug-in configuration: turning its reload off and reading it again. After a
// successful change every EnableReload setting says "0", and there is one.

#include "FuzzSupport.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"
#include "xml/XmlDocument.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vimo;
    namespace fs = std::filesystem;
    static const fs::path package = fuzz::scratchFolder() / "packages" / "fuzz";
    const fs::path file = package / "Vimoz" / "VimoConfig.xml";
    fuzz::writeFile(file, std::string_view(reinterpret_cast<const char*>(data), size));

    PosixPlatform platform;
    VimoWorkspace workspace(platform);
    if (failed(workspace.disableReload(fromFsPath(package)))) {
        return 0;
    }

    XmlDocument doc;
    if (failed(doc.loadFile(fromFsPath(file))) || doc.parseError() != 0) {
        fuzz::broken("the saved plug-in configuration no longer reads: " + doc.errorMessage());
    }
    const XmlNode root = doc.documentElement();
    const XmlNode settings = root ? root.selectSingleNode(u"//r/is") : XmlNode();
    if (!settings) {
        fuzz::broken("the saved plug-in configuration lost its settings list");
    }
    int found = 0;
    for (const XmlNode& setting : settings.selectNodes(u"i")) {
        if (!equalsIgnoreAsciiCase(setting.attributeOrEmpty(u"Key"), u"EnableReload")) {
            continue;
        }
        ++found;
        if (setting.attributeOrEmpty(u"Value") != u"0") {
            fuzz::broken("EnableReload reads back as \"" +
                         toUtf8(setting.attributeOrEmpty(u"Value")) + "\"");
        }
    }
    if (found == 0) {
        fuzz::broken("no EnableReload setting after turning reload off");
    }
    return 0;
}
