#pragma once

#include "platform/Failure.h"
#include "platform/ResultCodes.h"

#include <cstdint>
#include <set>
#include <string>

namespace vimo {

using StringSet = std::set<std::u16string>;

// What the vendor's developer configuration sets for every Vimo.
struct DeveloperConfiguration
{
    StringSet allowedExtensions;      // without the dot, as the document writes them
    std::int32_t nameLengthLimit = 0; // characters
    std::int32_t descLengthLimit = 0; // characters
    std::u16string localMainFileUrl;  // the main-file address of a local Vimo
    StringSet ignoredFiles;           // bare file names, never copied or packed
};

// Reads a developer configuration document held in memory into `configuration`; `source` (its
// address or file) names it in messages. A limit without a number gets the built-in default and
// an empty main-file address becomes `defaultMainFileUrl`. S_OK, or E_UNEXPECTED when the text
// is not a good document and E_POINTER when an element is missing, with `failure` saying which.
// The values are taken in document order and the lists are added to what `configuration` holds,
// so a failure leaves the values before it taken.
HRESULT parseDeveloperConfiguration(const std::string& bytes, const std::u16string& source,
                                    const std::u16string& defaultMainFileUrl,
                                    DeveloperConfiguration& configuration, Failure& failure);

} // namespace vimo
