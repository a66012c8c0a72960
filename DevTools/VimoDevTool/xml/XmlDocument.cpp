#include "xml/XmlDocument.h"

#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "platform/Text.h"
#include "xml/TextLayout.h"

#include <libxml/parser.h>
#include <libxml/valid.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace vimo {

namespace {

struct DocFree
{
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ParserCtxtFree
{
    void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct ValidCtxtFree
{
    void operator()(xmlValidCtxt* ctxt) const { xmlFreeValidCtxt(ctxt); }
};
struct XPathContextFree
{
    void operator()(xmlXPathContext* ctxt) const { xmlXPathFreeContext(ctxt); }
};
struct XPathObjectFree
{
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};
struct XPathCompFree
{
    void operator()(xmlXPathCompExpr* expression) const { xmlXPathFreeCompExpr(expression); }
};
struct XmlCharFree
{
    void operator()(xmlChar* text) const { xmlFree(text); }
};
struct BufferFree
{
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};
struct SaveCtxtFree
{
    void operator()(xmlSaveCtxt* ctxt) const { xmlSaveClose(ctxt); }
};

using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
using ParserCtxtPtr = std::unique_ptr<xmlParserCtxt, ParserCtxtFree>;
using ValidCtxtPtr = std::unique_ptr<xmlValidCtxt, ValidCtxtFree>;
using XPathContextPtr = std::unique_ptr<xmlXPathContext, XPathContextFree>;
using XPathObjectPtr = std::unique_ptr<xmlXPathObject, XPathObjectFree>;
using XPathCompPtr = std::unique_ptr<xmlXPathCompExpr, XPathCompFree>;
using XmlCharPtr = std::unique_ptr<xmlChar, XmlCharFree>;
using BufferPtr = std::unique_ptr<xmlBuffer, BufferFree>;
using SaveCtxtPtr = std::unique_ptr<xmlSaveCtxt, SaveCtxtFree>;

const xmlChar* xmlText(const std::string& text)
{
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

std::u16string fromXml(const xmlChar* text)
{
    return text ? fromUtf8(reinterpret_cast<const char*>(text)) : std::u16string();
}

// Nothing that the tool reads may pull in another resource: any attempt is refused, on top of
// the parser options that already keep libxml2 from trying.
xmlParserInputPtr refuseExternalEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

void ensureLibraryReady()
{
    static const bool ready = [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalEntity);
        return true;
    }();
    (void)ready;
}

void ignoreGenericError(void*, const char*, ...) {}

// Collects libxml2's reports while it works, so that nothing reaches standard error and the
// first error can be reported with the failure.
class ErrorCapture
{
public:
    ErrorCapture()
        : m_previousStructured(xmlStructuredError),
          m_previousStructuredContext(xmlStructuredErrorContext),
          m_previousGeneric(xmlGenericError), m_previousGenericContext(xmlGenericErrorContext)
    {
        xmlSetStructuredErrorFunc(this, &ErrorCapture::record);
        xmlSetGenericErrorFunc(nullptr, ignoreGenericError);
    }
    ~ErrorCapture()
    {
        xmlSetStructuredErrorFunc(m_previousStructuredContext, m_previousStructured);
        xmlSetGenericErrorFunc(m_previousGenericContext, m_previousGeneric);
    }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    bool hasError() const { return m_errorCode != 0; }
    int errorCode() const { return m_errorCode; }
    const std::string& message() const { return m_message; }
    bool sawUndeclaredEntity() const { return m_undeclaredEntity; }

private:
    static void record(void* self, xmlErrorPtr error)
    {
        auto* capture = static_cast<ErrorCapture*>(self);
        if (!error) {
            return;
        }
        if (error->code == XML_WAR_UNDECLARED_ENTITY || error->code == XML_ERR_UNDECLARED_ENTITY) {
            capture->m_undeclaredEntity = true;
        }
        if (error->level < XML_ERR_ERROR && error->code != XML_WAR_UNDECLARED_ENTITY) {
            return;
        }
        if (capture->m_errorCode != 0) {
            return; // the first error names the cause; later ones follow from it
        }
        capture->m_errorCode = error->code != 0 ? error->code : -1;
        std::string text = error->message ? error->message : "unknown error";
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        if (error->line > 0) {
            text = "line " + std::to_string(error->line) + ": " + text;
        }
        capture->m_message = text;
    }

    xmlStructuredErrorFunc m_previousStructured;
    void* m_previousStructuredContext;
    xmlGenericErrorFunc m_previousGeneric;
    void* m_previousGenericContext;
    int m_errorCode = 0;
    std::string m_message;
    bool m_undeclaredEntity = false;
};

// Finds an entity reference that is not to an internal entity of the document's own DTD, in
// content, in attribute values and inside the replacement text of the entities referenced.
class EntityChecker
{
public:
    explicit EntityChecker(xmlDoc* doc) : m_doc(doc) {}

    // The name of the first offending entity, or nothing.
    std::optional<std::string> findForeignReference(xmlNode* node)
    {
        for (; node; node = node->next) {
            if (node->type == XML_ENTITY_REF_NODE) {
                if (auto bad = checkEntity(node->name)) {
                    return bad;
                }
                continue; // its children are the entity itself, checked above
            }
            if (node->type == XML_ELEMENT_NODE) {
                for (xmlAttr* attr = node->properties; attr; attr = attr->next) {
                    if (auto bad = findForeignReference(attr->children)) {
                        return bad;
                    }
                }
            }
            if (node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE) {
                if (auto bad = findForeignReference(node->children)) {
                    return bad;
                }
            }
        }
        return std::nullopt;
    }

private:
    std::optional<std::string> checkEntity(const xmlChar* name)
    {
        const std::string text = name ? reinterpret_cast<const char*>(name) : "";
        xmlEntity* entity = xmlGetDocEntity(m_doc, name);
        if (!entity) {
            return text;
        }
        if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
            return std::nullopt;
        }
        if (entity->etype != XML_INTERNAL_GENERAL_ENTITY) {
            return text;
        }
        if (!m_checked.insert(entity).second) {
            return std::nullopt;
        }
        if (auto bad = findForeignReference(entity->children)) {
            return bad;
        }
        return checkReplacementText(entity->content);
    }

    // An entity that was never expanded has no parsed children; look at its text instead.
    std::optional<std::string> checkReplacementText(const xmlChar* content)
    {
        if (!content) {
            return std::nullopt;
        }
        const std::string text = reinterpret_cast<const char*>(content);
        for (std::size_t at = text.find('&'); at != std::string::npos;
             at = text.find('&', at + 1)) {
            if (at + 1 < text.size() && text[at + 1] == '#') {
                continue;
            }
            const std::size_t end = text.find(';', at);
            if (end == std::string::npos) {
                break;
            }
            const std::string name = text.substr(at + 1, end - at - 1);
            if (auto bad = checkEntity(xmlText(name))) {
                return bad;
            }
        }
        return std::nullopt;
    }

    xmlDoc* m_doc;
    std::set<xmlEntity*> m_checked;
};

// The document as a reader sees it, for telling whether two documents hold the same: every
// node in order with its names, attribute values and text, adjacent text merged. The DTD is
// left out; reading a document checks it.
void describeNodes(const xmlNode* node, std::string& out)
{
    const auto text = [](const xmlChar* value) {
        return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
    };
    const auto qualified = [&](const xmlNs* ns, const xmlChar* name) {
        return (ns && ns->prefix ? text(ns->prefix) + ":" : std::string()) + text(name);
    };
    bool inText = false;
    for (; node; node = node->next) {
        if (node->type == XML_TEXT_NODE) {
            out += inText ? "" : "\x01T";
            out += text(node->content);
            inText = true;
            continue;
        }
        inText = false;
        switch (node->type) {
        case XML_ELEMENT_NODE:
            out += "\x01<" + qualified(node->ns, node->name);
            for (const xmlNs* ns = node->nsDef; ns; ns = ns->next) {
                out += "\x01N" + text(ns->prefix) + "=" + text(ns->href);
            }
            for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
                out += "\x01A" + qualified(attr->ns, attr->name) + "=";
                describeNodes(attr->children, out);
            }
            describeNodes(node->children, out);
            out += "\x01>";
            break;
        case XML_CDATA_SECTION_NODE:
            out += "\x01C" + text(node->content);
            break;
        case XML_ENTITY_REF_NODE:
            out += "\x01&" + text(node->name);
            break;
        case XML_COMMENT_NODE:
            out += "\x01!" + text(node->content);
            break;
        case XML_PI_NODE:
            out += "\x01?" + text(node->name) + " " + text(node->content);
            break;
        default:
            break;
        }
    }
}

std::string describeDocument(const xmlDoc* doc)
{
    std::string out;
    describeNodes(doc->children, out);
    return out;
}

// Far beyond any catalogue or configuration; the parser refuses more than this anyway.
constexpr std::size_t kMaximumFileSize = std::size_t{64} << 20;

// One parser context per thread, reset by every read: a new context for each of thousands of
// small catalogue files costs about as much as parsing them.
xmlParserCtxt* sharedParserContext()
{
    thread_local ParserCtxtPtr context(xmlNewParserCtxt());
    return context.get();
}

} // namespace

struct XmlDocument::Impl
{
    explicit Impl(FileSystem& fileSystem) : files(fileSystem) {}

    FileSystem& files;
    DocPtr doc;
    long parseError = 1; // no document yet
    Failure failure;
    TextLayout layout; // how the file was written, kept by saves

    // A failed load: no document, the parser's code and the cause.
    HRESULT fail(long code, const std::string& name, const std::string& reason, HRESULT result)
    {
        doc.reset();
        parseError = code != 0 ? code : 1;
        return failSave(name, reason, result);
    }

    // A failed save keeps the document; only the cause is recorded.
    HRESULT failSave(const std::string& name, const std::string& reason, HRESULT result)
    {
        failure = Failure{result, fromUtf8(name), reason};
        return result;
    }

    void succeed() { failure = Failure{}; }

    HRESULT parse(const std::string& bytes, const std::string& name);
};

HRESULT XmlDocument::Impl::parse(const std::string& bytes, const std::string& name)
{
    ensureLibraryReady();
    doc.reset();
    if (bytes.empty()) {
        return fail(XML_ERR_DOCUMENT_EMPTY, name, "the document is empty", E_FAIL);
    }
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        return fail(XML_ERR_INTERNAL_ERROR, name, "the document is too large", E_FAIL);
    }

    ErrorCapture errors;
    xmlParserCtxt* ctxt = sharedParserContext();
    if (!ctxt) {
        return fail(XML_ERR_NO_MEMORY, name, "out of memory", E_POINTER);
    }
    // No XML_PARSE_NOENT, DTDLOAD, DTDVALID or HUGE: entities stay references, nothing outside
    // the document is read, and libxml2's limits on entity expansion stay in force. Blanks are
    // kept so that a saved file keeps its layout.
    const int options = XML_PARSE_NONET;
    DocPtr parsed(xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()),
                                    name.c_str(), nullptr, options));
    if (!parsed || !ctxt->wellFormed || errors.hasError()) {
        const int code = errors.hasError()
                             ? errors.errorCode()
                             : (ctxt->errNo != 0 ? ctxt->errNo : XML_ERR_INTERNAL_ERROR);
        const std::string cause = errors.hasError() ? errors.message() : "not well-formed";
        return fail(code, name, cause, E_FAIL);
    }

    EntityChecker checker(parsed.get());
    if (auto entity = checker.findForeignReference(parsed->children)) {
        return fail(XML_ERR_UNDECLARED_ENTITY, name,
                    "refers to the external or undeclared entity '" + *entity + "'", E_FAIL);
    }

    // The internal subset is checked; an external one is never fetched, so a document that
    // names one is taken as it stands.
    xmlDtd* subset = parsed->intSubset;
    if (subset && !subset->ExternalID && !subset->SystemID && !parsed->extSubset) {
        ValidCtxtPtr validator(xmlNewValidCtxt());
        if (!validator) {
            return fail(XML_ERR_NO_MEMORY, name, "out of memory", E_POINTER);
        }
        if (xmlValidateDocument(validator.get(), parsed.get()) != 1) {
            const std::string cause = errors.hasError() ? errors.message() : "not valid";
            return fail(errors.hasError() ? errors.errorCode() : XML_ERR_INTERNAL_ERROR, name,
                        cause, E_FAIL);
        }
    }

    layout = layoutOf(bytes, parsed->encoding ? reinterpret_cast<const char*>(parsed->encoding)
                                              : std::string_view());
    doc = std::move(parsed);
    parseError = 0;
    succeed();
    return S_OK;
}

// --- XmlNode

namespace {

xmlNode* asNode(void* node)
{
    return static_cast<xmlNode*>(node);
}

// One XPath context per thread, pointed at each document in turn: making a context registers
// every XPath function anew, which would cost more than the small selections themselves.
xmlXPathContext* sharedXPathContext(xmlDoc* doc)
{
    thread_local XPathContextPtr context;
    if (!context) {
        context.reset(xmlXPathNewContext(doc));
    }
    if (context) {
        context->doc = doc;
    }
    return context.get();
}

// The few paths the tool uses are compiled once per thread.
xmlXPathCompExpr* compiledPath(const std::u16string& path, xmlXPathContext* context)
{
    thread_local std::map<std::u16string, XPathCompPtr> cache;
    if (const auto found = cache.find(path); found != cache.end()) {
        return found->second.get();
    }
    const std::string expression = toUtf8(path);
    XPathCompPtr compiled(xmlXPathCtxtCompile(context, xmlText(expression)));
    if (!compiled) {
        return nullptr; // a path that does not compile is not kept
    }
    if (cache.size() >= 64) {
        cache.clear(); // paths come from code, not data; this only bounds the unexpected
    }
    return cache.emplace(path, std::move(compiled)).first->second.get();
}

std::vector<xmlNode*> evaluate(xmlNode* node, const std::u16string& path)
{
    std::vector<xmlNode*> found;
    if (!node || !node->doc || path.empty()) {
        return found;
    }
    ensureLibraryReady();
    ErrorCapture errors;
    xmlXPathContext* context = sharedXPathContext(node->doc);
    if (!context) {
        return found;
    }
    xmlXPathCompExpr* compiled = compiledPath(path, context);
    if (!compiled) {
        return found;
    }
    context->node = node;
    XPathObjectPtr result(xmlXPathCompiledEval(compiled, context));
    context->node = nullptr;
    context->doc = nullptr; // the context must not outlive its hold on a freed document
    if (!result || result->type != XPATH_NODESET || !result->nodesetval) {
        return found;
    }
    const xmlNodeSet* set = result->nodesetval;
    for (int i = 0; i < set->nodeNr; ++i) {
        if (set->nodeTab[i] && set->nodeTab[i]->type == XML_ELEMENT_NODE) {
            found.push_back(set->nodeTab[i]);
        }
    }
    return found;
}

} // namespace

bool XmlNode::isElement() const
{
    return m_node && asNode(m_node)->type == XML_ELEMENT_NODE;
}

std::u16string XmlNode::name() const
{
    if (!isElement()) {
        return {};
    }
    const xmlNode* node = asNode(m_node);
    std::u16string qualified;
    if (node->ns && node->ns->prefix) {
        qualified = fromXml(node->ns->prefix) + u":";
    }
    return qualified + fromXml(node->name);
}

XmlNode XmlNode::selectSingleNode(const std::u16string& path) const
{
    const std::vector<xmlNode*> found = evaluate(asNode(m_node), path);
    return found.empty() ? XmlNode() : XmlNode(found.front());
}

std::vector<XmlNode> XmlNode::selectNodes(const std::u16string& path) const
{
    std::vector<XmlNode> nodes;
    for (xmlNode* node : evaluate(asNode(m_node), path)) {
        nodes.push_back(XmlNode(node));
    }
    return nodes;
}

std::vector<XmlNode> XmlNode::childNodes() const
{
    std::vector<XmlNode> nodes;
    if (!isElement()) {
        return nodes;
    }
    for (xmlNode* child = asNode(m_node)->children; child; child = child->next) {
        nodes.push_back(XmlNode(child));
    }
    return nodes;
}

std::optional<std::u16string> XmlNode::attribute(const std::u16string& name) const
{
    if (!isElement()) {
        return std::nullopt;
    }
    const std::string key = toUtf8(name);
    xmlAttr* attr = xmlHasProp(asNode(m_node), xmlText(key));
    if (!attr) {
        return std::nullopt;
    }
    // The common case, a value of plain text, is read in place without a copy.
    const xmlNode* text = attr->type == XML_ATTRIBUTE_NODE ? attr->children : nullptr;
    if (!text) {
        if (attr->type == XML_ATTRIBUTE_NODE) {
            return std::u16string();
        }
    } else if (!text->next && text->type == XML_TEXT_NODE) {
        return fromXml(text->content);
    }
    XmlCharPtr value(xmlGetProp(asNode(m_node), xmlText(key)));
    if (!value) {
        return std::nullopt;
    }
    return fromXml(value.get());
}

std::u16string XmlNode::attributeOrEmpty(const std::u16string& name) const
{
    return attribute(name).value_or(std::u16string());
}

HRESULT XmlNode::setAttribute(const std::u16string& name, const std::u16string& value)
{
    if (!isElement() || name.empty()) {
        return E_FAIL;
    }
    if (unwritableCharacter(value)) {
        return E_INVALIDARG;
    }
    ErrorCapture errors;
    const std::string key = toUtf8(name);
    const std::string text = toUtf8(value);
    // xmlSetProp stores the value as plain text: "&" and "<" are escaped on saving, never
    // taken for references.
    return xmlSetProp(asNode(m_node), xmlText(key), xmlText(text)) ? S_OK : E_FAIL;
}

HRESULT XmlNode::removeAttribute(const std::u16string& name)
{
    if (!isElement()) {
        return E_FAIL;
    }
    const std::string key = toUtf8(name);
    xmlAttr* attr = xmlHasProp(asNode(m_node), xmlText(key));
    if (!attr || attr->type != XML_ATTRIBUTE_NODE) {
        return S_OK; // absent, or only a default from the DTD
    }
    return xmlRemoveProp(attr) == 0 ? S_OK : E_FAIL;
}

XmlNode XmlNode::appendElement(const std::u16string& name, const std::u16string& text)
{
    if (!isElement() || name.empty()) {
        return {};
    }
    ErrorCapture errors;
    xmlNode* parent = asNode(m_node);
    const std::string elementName = toUtf8(name);
    xmlNode* element = xmlNewDocNode(parent->doc, nullptr, xmlText(elementName), nullptr);
    if (!element) {
        return {};
    }
    if (!text.empty()) {
        const std::string content = toUtf8(text);
        xmlNode* textNode = xmlNewDocText(parent->doc, xmlText(content));
        if (!textNode || !xmlAddChild(element, textNode)) {
            xmlFreeNode(textNode);
            xmlFreeNode(element);
            return {};
        }
    }
    if (!xmlAddChild(parent, element)) {
        xmlFreeNode(element);
        return {};
    }
    return XmlNode(element);
}

// --- XmlDocument

XmlDocument::XmlDocument() : XmlDocument(FileSystem::system()) {}

XmlDocument::XmlDocument(FileSystem& files) : m_impl(std::make_unique<Impl>(files)) {}

XmlDocument::~XmlDocument() = default;

HRESULT XmlDocument::loadFile(const std::u16string& path)
{
    const std::string name = toUtf8(path);
    std::string bytes;
    if (const int error = m_impl->files.readFile(path, kMaximumFileSize, bytes)) {
        return m_impl->fail(XML_IO_LOAD_ERROR, name, std::strerror(error), hresultFromErrno(error));
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
    xmlNode* root = xmlDocGetRootElement(m_impl->doc.get());
    return root ? XmlNode(root) : XmlNode();
}

HRESULT XmlDocument::save(const std::u16string& path)
{
    const std::string name = toUtf8(path);
    if (!m_impl->doc) {
        return m_impl->failSave(name, "there is no document to save", E_POINTER);
    }
    ensureLibraryReady();
    ErrorCapture errors;
    BufferPtr buffer(xmlBufferCreate());
    if (!buffer) {
        return m_impl->failSave(name, "out of memory", E_FAIL);
    }
    // No formatting: the document's own whitespace is its layout. The declaration is the
    // file's own, kept verbatim in the layout's prefix; an encoding is always named, so that
    // libxml2 never falls back to ASCII with character references.
    const TextLayout& layout = m_impl->layout;
    long written = -1;
    {
        SaveCtxtPtr saver(xmlSaveToBuffer(buffer.get(), layout.encoding.c_str(),
                                          XML_SAVE_AS_XML | XML_SAVE_NO_DECL));
        if (!saver) {
            return m_impl->failSave(name, "the encoding " + layout.encoding + " cannot be written",
                                    E_FAIL);
        }
        written = xmlSaveDoc(saver.get(), m_impl->doc.get());
    } // closing the save context flushes it into the buffer
    if (written < 0 || errors.hasError()) {
        return m_impl->failSave(name,
                                "the document cannot be written" +
                                    (errors.hasError() ? ": " + errors.message() : std::string()),
                                E_FAIL);
    }
    const std::string bytes =
        layout.prefix +
        withLineEnds(std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                                 static_cast<std::size_t>(xmlBufferLength(buffer.get()))),
                     layout);

    // Never write a file that the tool's own reader would refuse or read differently.
    Impl readBack(m_impl->files);
    if (failed(readBack.parse(bytes, name))) {
        return m_impl->failSave(name,
                                "the new text would not read back (" + readBack.failure.reason +
                                    "); nothing was written",
                                E_FAIL);
    }
    if (describeDocument(readBack.doc.get()) != describeDocument(m_impl->doc.get())) {
        return m_impl->failSave(name,
                                "the file's encoding (" + layout.encoding +
                                    ") cannot hold the new text; nothing was written",
                                E_FAIL);
    }

    const Failure failure = m_impl->files.replaceFile(path, bytes);
    if (failed(failure.code)) {
        return m_impl->failSave(name, failure.reason, failure.code);
    }
    m_impl->succeed();
    return failure.code;
}

} // namespace vimo
