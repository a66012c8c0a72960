#pragma once

#include <string>

namespace vimo {

// The text of string `id` of the application's string table; empty when there is none.
std::u16string stringText(int id);

} // namespace vimo
