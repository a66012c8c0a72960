#pragma once

namespace vimo {

// An open system file; closed when the object goes.
class FileHandleBase
{
public:
    FileHandleBase() = default;
    virtual ~FileHandleBase();
    FileHandleBase(const FileHandleBase&) = delete;
    FileHandleBase& operator=(const FileHandleBase&) = delete;

    // Closes the file; true when it was not open or closed cleanly (the open flag stays set
    // only when closing failed).
    virtual bool Close();
    bool isOpen() const { return m_isOpen; }
    int descriptor() const { return m_handle; }

protected:
    bool m_isOpen = false;
    int m_handle = -1;
};

} // namespace vimo
