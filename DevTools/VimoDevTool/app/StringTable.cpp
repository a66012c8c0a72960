#include "app/StringTable.h"

#include "presenter/StringTable.h"

namespace vimo {

QString loadString(int id)
{
    return QString::fromStdU16String(stringText(id));
}

} // namespace vimo
