#include "xml/XmlDocument.h"

#include "platform/Text.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace vimo::test {
namespace {

// UTF-8 text in another encoding, through the C library (independent of libxml2).
std::string encode(const std::string& utf8, const std::string& encoding)
{
    iconv_t convert = iconv_open(encoding.c_str(), "UTF-8");
    EXPECT_NE(convert, reinterpret_cast<iconv_t>(-1)) << encoding;
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* to = out.data();
    std::size_t outLeft = out.size();
    EXPECT_NE(iconv(convert, &in, &inLeft, &to, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(convert);
    out.resize(out.size() - outLeft);
    return out;
}

std::string crlf(std::string text)
{
    std::string out;
    for (char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

std::string catalogue(const std::string& name)
{
    return "<vimozList>\n  <vimoz>\n    <vimo id=\"a\" name=\"" + name +
           "\" other=\"Caf\xC3\xA9 \xE2\x82\xAC\"/>\n  </vimoz>\n</vimozList>\n";
}

// A file as the client wrote it: a save that changes one attribute changes those bytes only.
TEST(XmlSaveLayoutTest, KeepsDeclarationEncodingByteOrderAndLineEnds)
{
    struct Case
    {
        const char* what;
        std::string mark; // byte-order mark, written as it stands
        std::string declaration;
        std::string encoding;
        bool windowsLineEnds;
        std::string newName; // UTF-8
    };
    const Case cases[] = {
        {"UTF-8 without a declaration", "", "", "UTF-8", false, "Caf\xC3\xA9 \xE2\x98\x83"},
        {"a declaration in single quotes, CR LF", "", "<?xml version='1.0' encoding='utf-8'?>\n",
         "UTF-8", true, "\xE2\x98\x83"},
        {"UTF-8 with its mark and no declaration", "\xEF\xBB\xBF", "", "UTF-8", false, "x"},
        {"UTF-16 big-endian with its mark", "\xFE\xFF",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n", "UTF-16BE", false, "\xE2\x98\x83"},
        {"UTF-16 big-endian without a mark, CR LF", "",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n", "UTF-16BE", true, "\xF0\x9F\x98\x80"},
        {"UTF-16 little-endian with its mark", "\xFF\xFE",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n", "UTF-16LE", true, "\xE2\x98\x83"},
        {"windows-1251", "", "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n", "windows-1251",
         false, "\xD0\x9F\xD1\x80\xD0\xB8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto file = [&](const std::string& name) {
            std::string text = c.declaration + catalogue(name);
            if (c.encoding == "windows-1251") {
                text = c.declaration + "<vimozList>\n  <vimoz>\n    <vimo id=\"a\" name=\"" + name +
                       "\" other=\"\xD0\x96\"/>\n  </vimoz>\n</vimozList>\n";
            }
            return c.mark + encode(c.windowsLineEnds ? crlf(text) : text, c.encoding);
        };
        TempDir dir;
        const fs::path path = dir.path() / "VimozList.xml";
        writeFile(path, file("Old"));
        XmlDocument doc;
        ASSERT_EQ(doc.loadFile(u16(path)), S_OK) << doc.errorMessage();
        XmlNode vimo = doc.documentElement().selectSingleNode(u"//vimozList/vimoz/vimo");
        ASSERT_EQ(vimo.setAttribute(u"name", fromUtf8(c.newName)), S_OK);
        ASSERT_EQ(doc.save(u16(path)), S_OK) << doc.errorMessage();
        EXPECT_EQ(readFile(path), file(c.newName));
    }
}

// Never a file the reader refuses or reads differently: such a save writes nothing. An encoding
// that lacks a character may still carry it as a character reference.
TEST(XmlSaveLayoutTest, WritesOnlyTextThatReadsBackWithTheValuesJustSet)
{
    struct Case
    {
        const char* what;
        std::string text;
        std::u16string attribute;
        std::u16string value;
        bool refused;
        const char* reason;
    };
    const std::u16string wide = u"a+b <&> \"q\" caf\u00e9 \u2603 \U0001F600";
    const auto declared = [](const std::string& encoding) {
        return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n<r id=\"a\">x</r>\n";
    };
    const Case cases[] = {
        {"an internal DTD that does not declare the new attribute",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ELEMENT r EMPTY><!ATTLIST r id CDATA "
         "#IMPLIED>]>\n<r id=\"a\"/>\n",
         u"devStatus", u"dev", true, "No declaration for attribute devStatus"},
        {"Shift_JIS, which has no backslash", declared("Shift_JIS"), u"name", u"C:\\x", true,
         "encoding (Shift_JIS) cannot hold"},
        {"UTF-7", declared("UTF-7"), u"name", wide, false, ""},
        {"ISO-8859-1", declared("ISO-8859-1"), u"name", wide, false, ""},
        {"windows-1251", declared("windows-1251"), u"name", wide, false, ""},
        {"US-ASCII", declared("US-ASCII"), u"name", wide, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const fs::path path = dir.path() / "f.xml";
        writeFile(path, c.text);
        XmlDocument doc;
        ASSERT_EQ(doc.loadFile(u16(path)), S_OK) << doc.errorMessage();
        ASSERT_EQ(doc.documentElement().setAttribute(c.attribute, c.value), S_OK);
        if (c.refused) {
            EXPECT_EQ(doc.save(u16(path)), E_FAIL);
            EXPECT_EQ(readFile(path), c.text);
            EXPECT_NE(doc.failure().reason.find(c.reason), std::string::npos)
                << doc.failure().reason;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                      1);
            continue;
        }
        ASSERT_EQ(doc.save(u16(path)), S_OK) << doc.errorMessage();
        XmlDocument again;
        ASSERT_EQ(again.loadFile(u16(path)), S_OK) << again.errorMessage();
        EXPECT_EQ(again.documentElement().attribute(c.attribute), c.value);
        EXPECT_EQ(readFile(path).substr(0, 30), c.text.substr(0, 30)) << "the declaration is kept";
    }
}

} // namespace
} // namespace vimo::test
