// The vendor's developer configuration as if downloaded: the bytes go to the parser the
// download feeds. A good document gives every value; a refused one says why.

#include "FuzzSupport.h"
#include "platform/Text.h"
#include "workspace/DeveloperConfig.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vimo;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string defaultMainFile = u"http://127.0.0.1/template_vimo/index.vimo";
    DeveloperConfiguration configuration;
    Failure failure;
    const HRESULT hr =
        parseDeveloperConfiguration(bytes, u"http://127.0.0.1/pages/xml/openvimoz_conf.xml",
                                    defaultMainFile, configuration, failure);
    if (failed(hr)) {
        if (failure.reason.empty()) {
            fuzz::broken("a refused configuration gives no reason");
        }
        return 0;
    }
    if (configuration.nameLengthLimit == 0 || configuration.descLengthLimit == 0) {
        fuzz::broken("a length limit of 0 was taken instead of the default");
    }
    if (configuration.localMainFileUrl.empty()) {
        fuzz::broken("no main-file address after a good document");
    }
    for (const StringSet* set : {&configuration.allowedExtensions, &configuration.ignoredFiles}) {
        if (set->count(u"") != 0) {
            fuzz::broken("an empty value was taken into a list");
        }
    }
    return 0;
}
