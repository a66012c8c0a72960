// XmlDocument over the system's MSXML 3.0 DOM (COM), the Windows counterpart of the libxml2
// adapter: validation on parse, no external resolution, white space not preserved, saved in the
// document's own encoding, atomically and only after the new text has been read back.

#include "xml/XmlDocument.h"

#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "platform/Text.h"
#include "platform/win32/WideText.h"

#include <deque>

#include <windows.h>

#include <msxml2.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlwapi.h>

namespace vimo {

namespace {

// The ProgID names the version whose behaviour was checked (3.0 ships with every Windows).
constexpr const wchar_t* kProgId = L"Msxml2.DOMDocument.3.0";
// IXMLDOMDocument2, which mingw-w64's uuid library does not define.
constexpr IID kDocument2Interface = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
// Larger files are not catalogues or configurations.
constexpr std::size_t kMaxDocumentBytes = 64 * 1024 * 1024;

template <typename T> struct ComRelease
{
    void operator()(T* object) const
    {
        if (object) {
            object->Release();
        }
    }
};
template <typename T> using Com = std::unique_ptr<T, ComRelease<T>>;

// A BSTR for a call, freed afterwards.
class Bstr
{
public:
    explicit Bstr(const std::u16string& text)
        : m_text(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                   static_cast<UINT>(text.size())))
    {
    }
    Bstr() = default;
    ~Bstr() { SysFreeString(m_text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return m_text; }
    BSTR* out() { return &m_text; }
    std::u16string text() const
    {
        return m_text
                   ? std::u16string(reinterpret_cast<const char16_t*>(m_text), SysStringLen(m_text))
                   : std::u16string();
    }

private:
    BSTR m_text = nullptr;
};

struct NodeKeeper;

// What an XmlNode points to: an MSXML node and the document's keeper, which holds the node's
// reference (MSXML's node objects live only while referenced) until the document goes.
struct NodeRef
{
    IXMLDOMNode* node;
    NodeKeeper* keeper;
};

struct NodeKeeper
{
    std::deque<NodeRef> refs; // a deque: the addresses handed out stay valid as it grows

    NodeRef* keep(IXMLDOMNode* node)
    {
        refs.push_back(NodeRef{node, this});
        return &refs.back();
    }
    void releaseAll()
    {
        for (NodeRef& ref : refs) {
            ref.node->Release();
        }
        refs.clear();
    }
};

IXMLDOMNode* asNode(void* node)
{
    return static_cast<NodeRef*>(node)->node;
}

// `found`, reached from the node `from`, kept alive with their document; null when none.
NodeRef* keepFor(void* from, IXMLDOMNode* found)
{
    return found ? static_cast<NodeRef*>(from)->keeper->keep(found) : nullptr;
}

} // namespace

struct XmlDocument::Impl
{
    Impl();
    ~Impl();

    // A failed load: no document, the parser's code and the cause.
    HRESULT fail(long code, const std::string& name, const std::string& reason, HRESULT result)
    {
        doc.reset();
        parseError = code != 0 ? code : 1;
        return failSave(name, reason, result);
    }
    HRESULT failSave(const std::string& name, const std::string& reason, HRESULT result)
    {
        failure = Failure{result, fromUtf8(name), reason};
        return result;
    }
    void succeed() { failure = Failure{}; }

    HRESULT parse(const std::string& bytes, const std::string& name);
    void releaseNodes();

    FileSystem* files = &FileSystem::system();
    bool comStarted = false;
    Com<IXMLDOMDocument2> doc;
    NodeKeeper keeper;
    long parseError = 1; // no document yet
    Failure failure;
};

namespace {

std::string parserMessage(IXMLDOMDocument2* doc, long& code)
{
    Com<IXMLDOMParseError> error;
    IXMLDOMParseError* raw = nullptr;
    if (FAILED(doc->get_parseError(&raw)) || !raw) {
        code = 1;
        return "not well-formed";
    }
    error.reset(raw);
    error->get_errorCode(&code);
    Bstr reason;
    error->get_reason(reason.out());
    long line = 0;
    error->get_line(&line);
    std::string text = toUtf8(reason.text());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    // Wine's reader gives only "error" and no line: the words say what kind of failure it is.
    text = text.empty() ? std::string("not well-formed") : "not well-formed: " + text;
    if (line > 0) {
        text += " (line " + std::to_string(line) + ")";
    }
    return text;
}

std::u16string nodeText(IXMLDOMNode* node, ::HRESULT (STDMETHODCALLTYPE IXMLDOMNode::*get)(BSTR*))
{
    Bstr text;
    (node->*get)(text.out());
    return text.text();
}

// The nodes of a node list or an attribute map, which MSXML hands out the same way.
template <class Collection, class Owner>
std::vector<Com<IXMLDOMNode>> itemsOf(Owner* node,
                                      ::HRESULT (STDMETHODCALLTYPE Owner::*get)(Collection**))
{
    std::vector<Com<IXMLDOMNode>> items;
    Collection* raw = nullptr;
    if (FAILED((node->*get)(&raw)) || !raw) {
        return items;
    }
    Com<Collection> collection(raw);
    long length = 0;
    collection->get_length(&length);
    for (long i = 0; i < length; ++i) {
        IXMLDOMNode* item = nullptr;
        if (collection->get_item(i, &item) == S_OK && item) {
            items.emplace_back(item);
        }
    }
    return items;
}

std::vector<Com<IXMLDOMNode>> childrenOf(IXMLDOMNode* node)
{
    return itemsOf(node, &IXMLDOMNode::get_childNodes);
}

// The attributes of an element; none for any other node.
std::vector<Com<IXMLDOMNode>> attributesOf(IXMLDOMNode* node)
{
    return itemsOf(node, &IXMLDOMNode::get_attributes);
}

// Elements with their attributes, text, comments and instructions, in order: what a saved
// file must give back when it is read again.
void describeNode(IXMLDOMNode* node, std::u16string& out)
{
    DOMNodeType type = NODE_INVALID;
    node->get_nodeType(&type);
    // The declaration is written by the save itself; what it names shows in the text.
    if (type == NODE_PROCESSING_INSTRUCTION &&
        nodeText(node, &IXMLDOMNode::get_nodeName) == u"xml") {
        return;
    }
    out += u'<' + toDecimal(type) + u':' + nodeText(node, &IXMLDOMNode::get_nodeName);
    if (type == NODE_ELEMENT) {
        for (const auto& attribute : attributesOf(node)) {
            out += u' ' + nodeText(attribute.get(), &IXMLDOMNode::get_nodeName) + u'=' +
                   nodeText(attribute.get(), &IXMLDOMNode::get_text);
        }
    } else if (type == NODE_TEXT || type == NODE_CDATA_SECTION || type == NODE_COMMENT ||
               type == NODE_PROCESSING_INSTRUCTION) {
        out += u'=' + nodeText(node, &IXMLDOMNode::get_text);
    }
    out += u'>';
    if (type != NODE_DOCUMENT_TYPE) {
        for (const auto& child : childrenOf(node)) {
            describeNode(child.get(), out);
        }
    }
}

std::u16string describe(IXMLDOMDocument2* doc)
{
    std::u16string out;
    for (const auto& child : childrenOf(doc)) {
        describeNode(child.get(), out);
    }
    return out;
}

// The name of the first entity reference that the parser left empty, if any.
std::optional<std::string> foreignEntityBelow(IXMLDOMNode* node)
{
    for (const auto& child : childrenOf(node)) {
        DOMNodeType type = NODE_INVALID;
        child->get_nodeType(&type);
        if (type == NODE_DOCUMENT_TYPE) {
            continue;
        }
        if (type == NODE_ENTITY_REFERENCE) {
            VARIANT_BOOL hasChildren = VARIANT_FALSE;
            child->hasChildNodes(&hasChildren);
            if (hasChildren != VARIANT_TRUE) {
                return toUtf8(nodeText(child.get(), &IXMLDOMNode::get_nodeName));
            }
        }
        if (type == NODE_ELEMENT) {
            for (const auto& attribute : attributesOf(child.get())) {
                if (auto found = foreignEntityBelow(attribute.get())) {
                    return found;
                }
            }
        }
        if (auto found = foreignEntityBelow(child.get())) {
            return found;
        }
    }
    return std::nullopt;
}

// The first entity that the internal subset declares as external (SYSTEM or PUBLIC), general or
// parameter: the tool reads nothing outside the document, so such a document is refused.
std::optional<std::string> externalEntityDeclaration(IXMLDOMDocument2* doc)
{
    IXMLDOMDocumentType* raw = nullptr;
    if (doc->get_doctype(&raw) != S_OK || !raw) {
        return std::nullopt;
    }
    Com<IXMLDOMDocumentType> type(raw);
    std::u16string text = nodeText(type.get(), &IXMLDOMNode::get_xml);
    if (text.empty()) {
        // Some versions give the declaration only as part of the whole document's text.
        const std::u16string whole = nodeText(doc, &IXMLDOMNode::get_xml);
        const std::size_t start = whole.find(u"<!DOCTYPE");
        if (start == std::u16string::npos) {
            return std::nullopt;
        }
        const std::size_t subsetEnd = whole.find(u"]>", start);
        text = whole.substr(start, subsetEnd == std::u16string::npos ? std::u16string::npos
                                                                     : subsetEnd - start);
    }
    for (std::size_t at = text.find(u"<!ENTITY"); at != std::u16string::npos;
         at = text.find(u"<!ENTITY", at + 1)) {
        const std::size_t end = text.find(u'>', at);
        const std::u16string declaration = text.substr(at, end - at);
        // Quoted replacement text may hold the words; only what stands outside quotes counts.
        std::u16string outside;
        char16_t quote = 0;
        for (const char16_t unit : declaration) {
            if (quote) {
                quote = unit == quote ? 0 : quote;
            } else if (unit == u'"' || unit == u'\'') {
                quote = unit;
            } else {
                outside += unit;
            }
        }
        if (outside.find(u" SYSTEM") != std::u16string::npos ||
            outside.find(u" PUBLIC") != std::u16string::npos) {
            return toUtf8(declaration) + ">";
        }
    }
    return std::nullopt;
}

std::optional<std::string> foreignEntity(IXMLDOMDocument2* doc)
{
    return foreignEntityBelow(doc);
}

} // namespace

XmlDocument::Impl::Impl()
{
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted = started == S_OK || started == S_FALSE;
}

XmlDocument::Impl::~Impl()
{
    releaseNodes();
    doc.reset();
    if (comStarted) {
        CoUninitialize();
    }
}

void XmlDocument::Impl::releaseNodes()
{
    keeper.releaseAll();
}

HRESULT XmlDocument::Impl::parse(const std::string& bytes, const std::string& name)
{
    releaseNodes();
    doc.reset();
    if (bytes.empty()) {
        return fail(1, name, "the document is empty", E_FAIL);
    }
    if (bytes.size() > kMaxDocumentBytes) {
        return fail(1, name, "the document is too large", E_FAIL);
    }
    CLSID documentClass{};
    IXMLDOMDocument2* created = nullptr;
    HRESULT hr = CLSIDFromProgID(kProgId, &documentClass);
    if (SUCCEEDED(hr)) {
        hr = CoCreateInstance(documentClass, nullptr, CLSCTX_INPROC_SERVER, kDocument2Interface,
                              reinterpret_cast<void**>(&created));
    }
    if (FAILED(hr) || !created) {
        return fail(1, name,
                    "the XML component (MSXML 3.0) cannot be created: " +
                        windowsErrorText(static_cast<unsigned long>(hr)),
                    E_POINTER);
    }
    Com<IXMLDOMDocument2> parsed(created);
    parsed->put_async(VARIANT_FALSE);
    parsed->put_validateOnParse(VARIANT_TRUE);
    parsed->put_resolveExternals(VARIANT_FALSE);
    parsed->put_preserveWhiteSpace(VARIANT_FALSE);
    VARIANT language;
    VariantInit(&language);
    language.vt = VT_BSTR;
    language.bstrVal = SysAllocString(L"XPath");
    parsed->setProperty(Bstr(u"SelectionLanguage").get(), language);
    VariantClear(&language);

    // From a stream of the bytes, so that the parser reads the declared encoding itself.
    Com<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                          static_cast<UINT>(bytes.size())));
    if (!stream) {
        return fail(1, name, "out of memory", E_POINTER);
    }
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_UNKNOWN;
    source.punkVal = stream.get();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    hr = parsed->load(source, &loaded);
    if (FAILED(hr) || loaded != VARIANT_TRUE) {
        long code = 0;
        const std::string cause = parserMessage(parsed.get(), code);
        return fail(code, name, cause, E_FAIL);
    }
    // With external resolution off, MSXML keeps a reference to an external (or undeclared)
    // entity as an empty node; the tool refuses such a document, as on Linux.
    if (auto declaration = externalEntityDeclaration(parsed.get())) {
        return fail(1, name, "declares an external entity: " + *declaration, E_FAIL);
    }
    if (auto entity = foreignEntity(parsed.get())) {
        return fail(1, name, "refers to the external or undeclared entity '" + *entity + "'",
                    E_FAIL);
    }
    doc = std::move(parsed);
    parseError = 0;
    succeed();
    return S_OK;
}

// --- XmlNode

bool XmlNode::isElement() const
{
    DOMNodeType type = NODE_INVALID;
    return m_node && SUCCEEDED(asNode(m_node)->get_nodeType(&type)) && type == NODE_ELEMENT;
}

std::u16string XmlNode::name() const
{
    if (!isElement()) {
        return {};
    }
    Bstr text;
    asNode(m_node)->get_nodeName(text.out());
    return text.text();
}

XmlNode XmlNode::selectSingleNode(const std::u16string& path) const
{
    if (!m_node) {
        return {};
    }
    IXMLDOMNode* found = nullptr;
    if (asNode(m_node)->selectSingleNode(Bstr(path).get(), &found) != S_OK) {
        return {};
    }
    NodeRef* kept = keepFor(m_node, found);
    return kept ? XmlNode(kept) : XmlNode();
}

namespace {

std::vector<NodeRef*> keepAll(void* from, IXMLDOMNodeList* raw)
{
    std::vector<NodeRef*> result;
    if (!raw) {
        return result;
    }
    Com<IXMLDOMNodeList> list(raw);
    long length = 0;
    list->get_length(&length);
    for (long i = 0; i < length; ++i) {
        IXMLDOMNode* item = nullptr;
        if (list->get_item(i, &item) == S_OK && item) {
            if (NodeRef* kept = keepFor(from, item)) {
                result.push_back(kept);
            }
        }
    }
    return result;
}

} // namespace

std::vector<XmlNode> XmlNode::selectNodes(const std::u16string& path) const
{
    IXMLDOMNodeList* list = nullptr;
    if (!m_node || FAILED(asNode(m_node)->selectNodes(Bstr(path).get(), &list))) {
        return {};
    }
    std::vector<XmlNode> result;
    for (NodeRef* node : keepAll(m_node, list)) {
        result.push_back(XmlNode(node));
    }
    return result;
}

std::vector<XmlNode> XmlNode::childNodes() const
{
    IXMLDOMNodeList* list = nullptr;
    if (!m_node || FAILED(asNode(m_node)->get_childNodes(&list))) {
        return {};
    }
    std::vector<XmlNode> result;
    for (NodeRef* node : keepAll(m_node, list)) {
        result.push_back(XmlNode(node));
    }
    return result;
}

namespace {

Com<IXMLDOMElement> asElement(void* node)
{
    IXMLDOMElement* element = nullptr;
    if (!node || FAILED(asNode(node)->QueryInterface(IID_IXMLDOMElement,
                                                     reinterpret_cast<void**>(&element)))) {
        return nullptr;
    }
    return Com<IXMLDOMElement>(element);
}

} // namespace

std::optional<std::u16string> XmlNode::attribute(const std::u16string& name) const
{
    Com<IXMLDOMElement> element = asElement(m_node);
    if (!element) {
        return std::nullopt;
    }
    VARIANT value;
    VariantInit(&value);
    if (element->getAttribute(Bstr(name).get(), &value) != S_OK || value.vt != VT_BSTR) {
        VariantClear(&value);
        return std::nullopt;
    }
    std::u16string text(reinterpret_cast<const char16_t*>(value.bstrVal),
                        SysStringLen(value.bstrVal));
    VariantClear(&value);
    return text;
}

std::u16string XmlNode::attributeOrEmpty(const std::u16string& name) const
{
    return attribute(name).value_or(std::u16string());
}

HRESULT XmlNode::setAttribute(const std::u16string& name, const std::u16string& value)
{
    Com<IXMLDOMElement> element = asElement(m_node);
    if (!element) {
        return E_FAIL;
    }
    if (unwritableCharacter(value)) {
        return E_INVALIDARG;
    }
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(value.data()),
                                     static_cast<UINT>(value.size()));
    const HRESULT hr = element->setAttribute(Bstr(name).get(), text);
    VariantClear(&text);
    return SUCCEEDED(hr) ? S_OK : E_FAIL;
}

HRESULT XmlNode::removeAttribute(const std::u16string& name)
{
    Com<IXMLDOMElement> element = asElement(m_node);
    if (!element) {
        return E_FAIL;
    }
    return SUCCEEDED(element->removeAttribute(Bstr(name).get())) ? S_OK : E_FAIL;
}

XmlNode XmlNode::appendElement(const std::u16string& name, const std::u16string& text)
{
    if (!m_node || unwritableCharacter(text)) {
        return {};
    }
    IXMLDOMDocument* owner = nullptr;
    if (FAILED(asNode(m_node)->get_ownerDocument(&owner)) || !owner) {
        return {};
    }
    Com<IXMLDOMDocument> document(owner);
    IXMLDOMElement* created = nullptr;
    if (FAILED(document->createElement(Bstr(name).get(), &created)) || !created) {
        return {};
    }
    Com<IXMLDOMElement> element(created);
    if (!text.empty() && FAILED(element->put_text(Bstr(text).get()))) {
        return {};
    }
    IXMLDOMNode* appended = nullptr;
    if (FAILED(asNode(m_node)->appendChild(element.get(), &appended)) || !appended) {
        return {};
    }
    NodeRef* kept = keepFor(m_node, appended);
    return kept ? XmlNode(kept) : XmlNode();
}

// --- XmlDocument

XmlDocument::XmlDocument() : m_impl(std::make_unique<Impl>()) {}

XmlDocument::XmlDocument(FileSystem& files) : m_impl(std::make_unique<Impl>())
{
    m_impl->files = &files;
}

XmlDocument::~XmlDocument() = default;

HRESULT XmlDocument::loadFile(const std::u16string& path)
{
    const std::string name = toUtf8(path);
    std::string bytes;
    if (const int error = m_impl->files->readFile(path, kMaxDocumentBytes, bytes)) {
        const Failure cause = failureFromErrno(error, path);
        return m_impl->fail(1, name, cause.reason, cause.code);
    }
    return m_impl->parse(bytes, name);
}

HRESULT XmlDocument::loadMemory(const std::string& bytes, const std::string& url)
{
    return m_impl->parse(bytes, url);
}

long XmlDocument::parseError() const
{
    return m_impl->parseError;
}

std::string XmlDocument::errorMessage() const
{
    const Failure& failure = m_impl->failure;
    return failure.empty() ? std::string() : toUtf8(failure.subject) + ": " + failure.reason;
}

const Failure& XmlDocument::failure() const
{
    return m_impl->failure;
}

XmlNode XmlDocument::documentElement() const
{
    if (!m_impl->doc) {
        return {};
    }
    IXMLDOMElement* root = nullptr;
    if (m_impl->doc->get_documentElement(&root) != S_OK || !root) {
        return {};
    }
    return XmlNode(m_impl->keeper.keep(root));
}

HRESULT XmlDocument::save(const std::u16string& path)
{
    const std::string name = toUtf8(path);
    if (!m_impl->doc) {
        return m_impl->failSave(name, "there is no document to save", E_POINTER);
    }
    // MSXML writes into a stream in the encoding that the document's declaration names.
    IStream* raw = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &raw)) || !raw) {
        return m_impl->failSave(name, "out of memory", E_FAIL);
    }
    Com<IStream> stream(raw);
    VARIANT target;
    VariantInit(&target);
    target.vt = VT_UNKNOWN;
    target.punkVal = stream.get();
    const HRESULT saved = m_impl->doc->save(target);
    if (FAILED(saved)) {
        return m_impl->failSave(name,
                                "the document cannot be written: " +
                                    windowsErrorText(static_cast<unsigned long>(saved)),
                                E_FAIL);
    }
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::string bytes(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    if (!bytes.empty() &&
        (FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got)) ||
         got != bytes.size())) {
        return m_impl->failSave(name, "the document cannot be written", E_FAIL);
    }

    // Never write a file that the tool's own reader would refuse or read differently.
    Impl readBack;
    if (failed(readBack.parse(bytes, name))) {
        return m_impl->failSave(name,
                                "the new text would not read back (" + readBack.failure.reason +
                                    "); nothing was written",
                                E_FAIL);
    }
    if (describe(readBack.doc.get()) != describe(m_impl->doc.get())) {
        return m_impl->failSave(
            name, "the file's encoding cannot hold the new text; nothing was written", E_FAIL);
    }

    const Failure written = m_impl->files->replaceFile(path, bytes);
    if (failed(written.code)) {
        return m_impl->failSave(name, written.reason, written.code);
    }
    m_impl->succeed();
    return S_OK;
}

} // namespace vimo
