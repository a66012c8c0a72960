#pragma once

#include <QString>

namespace vimo {

// The text of string `id` of the application's string table; empty when there is none.
QString loadString(int id);

} // namespace vimo
