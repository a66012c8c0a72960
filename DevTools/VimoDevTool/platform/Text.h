#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vimo {

// UTF-16 <-> UTF-8 at the operating-system boundary. Ill-formed input becomes U+FFFD.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);

// Plain ASCII text (literals, numbers) as UTF-16.
std::u16string fromAscii(std::string_view text);

// Folds A-Z onto a-z and leaves every other unit as it is.
std::u16string toLowerAscii(std::u16string_view text);
std::u16string toUpperAscii(std::u16string_view text);
bool equalsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);
bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b);

// The catalogue's and the configuration's integer rule: leading white space, an optional
// sign, then decimal digits up to the first other character; no digits gives 0. Values
// beyond the 32-bit range saturate instead of wrapping.
std::int32_t parseLeadingInteger(std::u16string_view text);

// Decimal digits of a value, "-" before a negative one.
std::u16string toDecimal(std::int64_t value);

// Decimal digits grouped by thousands for people: 5242880 -> "5,242,880".
std::string groupDigits(std::uint64_t value);

// Every non-overlapping occurrence of `from`, left to right, replaced by `to`.
std::u16string replaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to);

} // namespace vimo
