#pragma once

#include "archive/FileHandleBase.h"

#include <string>

namespace vimo {

// How an existing file is treated when opened for writing.
enum class CreateMode
{
    CreateAlways, // replaces an existing file (the only mode the adapter uses)
    CreateNew,    // fails when the file exists
};

// The file object behind the engine's streams. Opening first closes any file already open;
// the outcome sets the open flag, and a failure leaves errno telling why.
class FileHandle : public FileHandleBase
{
public:
    // Opens an existing file for reading; never creates one and never waits on a pipe.
    bool openForReading(const std::u16string& path);
    // Opens a file for writing; others may still read it.
    bool openForWriting(const std::u16string& path, CreateMode mode = CreateMode::CreateAlways);
};

} // namespace vimo
