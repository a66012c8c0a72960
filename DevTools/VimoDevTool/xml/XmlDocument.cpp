// Placeholder until the libxml2 adapter lands.
#include "xml/XmlDocument.h"

namespace vimo {

struct XmlDocument::Impl
{
    std::string message;
};

bool XmlNode::isElement() const { return false; }
std::u16string XmlNode::name() const { return {}; }
XmlNode XmlNode::selectSingleNode(const std::u16string&) const { return {}; }
std::vector<XmlNode> XmlNode::selectNodes(const std::u16string&) const { return {}; }
std::vector<XmlNode> XmlNode::childNodes() const { return {}; }
std::optional<std::u16string> XmlNode::attribute(const std::u16string&) const { return std::nullopt; }
std::u16string XmlNode::attributeOrEmpty(const std::u16string&) const { return {}; }
HRESULT XmlNode::setAttribute(const std::u16string&, const std::u16string&) { return E_FAIL; }
HRESULT XmlNode::removeAttribute(const std::u16string&) { return E_FAIL; }
XmlNode XmlNode::appendElement(const std::u16string&, const std::u16string&) { return {}; }

XmlDocument::XmlDocument() : m_impl(std::make_unique<Impl>()) {}
XmlDocument::~XmlDocument() = default;
HRESULT XmlDocument::loadFile(const std::u16string&) { return E_FAIL; }
HRESULT XmlDocument::loadMemory(const std::string&, const std::string&) { return E_FAIL; }
long XmlDocument::parseError() const { return 1; }
const std::string& XmlDocument::errorMessage() const { return m_impl->message; }
XmlNode XmlDocument::documentElement() const { return {}; }
HRESULT XmlDocument::save(const std::u16string&) { return E_FAIL; }

} // namespace vimo
