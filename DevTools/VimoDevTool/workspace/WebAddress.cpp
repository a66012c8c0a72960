// Web addresses are checked with libcurl's own parser: the one that would fetch the address
// decides whether it can.

#include "platform/Text.h"
#include "workspace/RecordValidator.h"

#include <curl/curl.h>

#include <memory>

namespace vimo {

std::optional<std::string> RecordValidator::parsedAddressProblem(std::u16string_view,
                                                                 const std::string& text)
{
    std::unique_ptr<CURLU, void (*)(CURLU*)> parsed(curl_url(), &curl_url_cleanup);
    if (!parsed) {
        return "The address \"" + text + "\" could not be checked: out of memory.";
    }
    const CURLUcode code = curl_url_set(parsed.get(), CURLUPART_URL, text.c_str(), 0);
    if (code == CURLUE_NO_HOST) {
        return "The address \"" + text + "\" names no host.";
    }
    if (code != CURLUE_OK) {
        return "The address \"" + text +
               "\" is not a valid web address: " + curl_url_strerror(code) + ".";
    }
    char* host = nullptr;
    const bool hasHost = curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK &&
                         host != nullptr && host[0] != '\0';
    curl_free(host);
    if (!hasHost) {
        return "The address \"" + text + "\" names no host.";
    }
    return std::nullopt;
}

} // namespace vimo
