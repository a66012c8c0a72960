#pragma once

#include "platform/Failure.h"
#include "platform/ResultCodes.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vimo {

class FileSystem;
class XmlDocument;

// Where `text` holds a character that an XML file cannot hold (a control character other than
// tab, line feed and carriage return, U+FFFE, U+FFFF or half of a surrogate pair): "U+000B at
// character 5", counted from 1; nothing when every character can be written.
std::optional<std::string> unwritableCharacter(std::u16string_view text);

// A node of an XmlDocument; a light handle that is valid while its document lives.
class XmlNode
{
public:
    XmlNode() = default;

    bool isNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    bool isElement() const;
    // The element's name; empty for other nodes.
    std::u16string name() const;

    // The first element in document order for an absolute path ("//a/b/c") or a child element
    // name relative to this node ("name"); a null node when there is none.
    XmlNode selectSingleNode(const std::u16string& path) const;
    // Every element that the path finds, in document order.
    std::vector<XmlNode> selectNodes(const std::u16string& path) const;
    // All child nodes in document order (elements, text, comments, ...).
    std::vector<XmlNode> childNodes() const;

    // An attribute's value; nothing when it is absent or this is not an element.
    std::optional<std::u16string> attribute(const std::u16string& name) const;
    // An attribute's value, or the empty string when it is absent.
    std::u16string attributeOrEmpty(const std::u16string& name) const;
    // Replaces the value of the attribute, or adds it after the others; E_INVALIDARG for a value
    // that XML cannot hold.
    HRESULT setAttribute(const std::u16string& name, const std::u16string& value);
    // Removes the attribute; an absent one is no failure. E_FAIL when it cannot be removed.
    HRESULT removeAttribute(const std::u16string& name);
    // Appends a new child element with a name and text (which may be empty); null on failure.
    XmlNode appendElement(const std::u16string& name, const std::u16string& text = {});

private:
    friend class XmlDocument;
    explicit XmlNode(void* node) : m_node(node) {}
    void* m_node = nullptr; // xmlNode, owned by the document
};

// An XML document read from a file or a buffer and written back to a file. Loading never
// touches the network and never reads or expands external entities; the internal DTD subset is
// checked when present; the declared encoding is honoured and kept when saving.
class XmlDocument
{
public:
    // Reads and writes files through the system's file system.
    XmlDocument();
    // Reads and writes files through `files`.
    explicit XmlDocument(FileSystem& files);
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Loads a file; 0, or a failure code with parseError() set: the system's error when the file
    // cannot be read, E_FAIL when its text is not a good document.
    HRESULT loadFile(const std::u16string& path);
    // Loads a document held in memory (a downloaded one); `url` names it in messages.
    HRESULT loadMemory(const std::string& bytes, const std::string& url);

    // 0 after a good load; non-zero when the last load failed.
    long parseError() const;
    // A message that names the file and the cause of the last failure.
    std::string errorMessage() const;
    // The last failure of a load or a save: the file or address, the reader's or the system's
    // reason (with the line for a parse error) and the code returned; empty after a success.
    const Failure& failure() const;

    // The root element; a null node when there is none.
    XmlNode documentElement() const;

    // Writes the whole document to `path` atomically (a temporary file in the same folder,
    // flushed, then renamed over the original, whose permissions are kept), laid out as the
    // file it was read from: the same declaration, encoding, byte order and line ends. The new
    // text is read back first; when the reader would refuse it or it does not hold what the
    // document holds (an encoding that cannot carry the new characters), nothing is written
    // and E_FAIL is returned.
    HRESULT save(const std::u16string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace vimo
