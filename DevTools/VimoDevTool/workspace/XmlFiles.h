#pragma once

// The XML files in the client's folders that the workspace reads and edits in place: where a
// service folder's catalogue file is, and loading a file down to the element a change is about.

#include "platform/Failure.h"
#include "platform/ResultCodes.h"
#include "xml/XmlDocument.h"

#include <string>

namespace vimo {

class FileSystem;

// Where a catalogue file keeps its one entry.
inline const std::u16string kCatalogueEntryPath = u"//vimozList/vimoz/vimo";

// The catalogue file of a service folder, its names found in any letter case.
std::u16string catalogueFilePath(FileSystem& files, const std::u16string& serviceFolder);
// The catalogue file of a service folder with its names as written, not looked up.
std::u16string catalogueFilePathAsWritten(const std::u16string& serviceFolder);

// Loads the file at `path` into `doc` and finds the first element at `xpath` below its root.
// S_OK with `element` set; the system's error when the file cannot be read, `parseFailure` when
// its text is not a good document, E_POINTER when it has no root or no such element. On failure
// `cause` says which file and why, with the code returned.
HRESULT loadElement(XmlDocument& doc, const std::u16string& path, const std::u16string& xpath,
                    HRESULT parseFailure, XmlNode& element, Failure& cause);

} // namespace vimo
