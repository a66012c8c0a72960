#include "platform/posix/WineRegistry.h"
#include "platform/Text.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

namespace vimo::test {

namespace {

const std::u16string kKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F9A1C27-"
                            u"58D4-4B0E-9C61-2D7E84A5B0F3}";
const std::string kKey32 =
    "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
    "{3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}] 1700000000\n";
const std::string kKey64 = "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
                           "{3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}] 1700000000\n";

std::string regFile(const std::string& arch, const std::string& keyLine, const std::string& values)
{
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
    if (!arch.empty()) {
        text += "#arch=" + arch + "\n\n";
    }
    return text + keyLine + "#time=1d9a0b0c0d0e0f0\n" + values + "\n";
}

std::optional<RegistryValue> read(const std::string& text, std::u16string name = u"InstallLocation")
{
    return WineRegistry::readValueFromText(text, kKey, name);
}

std::vector<std::uint8_t> utf16le(std::u16string_view text, bool terminated = true)
{
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (terminated) {
        bytes.insert(bytes.end(), {0, 0});
    }
    return bytes;
}

} // namespace

TEST(WineRegistry, ThirtyTwoBitViewDependsOnThePrefixArchitecture)
{
    const std::string value = "\"InstallLocation\"=\"C:\\\\Orvo\"\n";
    auto found = read(regFile("win64", kKey32, value));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->type, REG_SZ);
    EXPECT_EQ(found->data, utf16le(u"C:\\Orvo"));

    // A 64-bit prefix's native key is not what a 32-bit program sees.
    EXPECT_FALSE(read(regFile("win64", kKey64, value)));
    // In a 32-bit prefix (or one without an architecture line) there is no redirection.
    EXPECT_TRUE(read(regFile("win32", kKey64, value)));
    EXPECT_TRUE(read(regFile("", kKey64, value)));
    EXPECT_FALSE(read(regFile("win32", kKey32, value)));
}

TEST(WineRegistry, KeyAndValueNamesIgnoreLetterCase)
{
    const std::string key = "[software\\\\WOW6432NODE\\\\microsoft\\\\windows\\\\currentversion\\\\"
                            "uninstall\\\\{3f9a1c27-58d4-4b0e-9c61-2d7e84a5b0f3}]\n";
    auto found = read(regFile("win64", key, "\"installlocation\"=\"x\"\n"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->data, utf16le(u"x"));
    EXPECT_EQ(read(regFile("win64", kKey32, "@=\"default\"\n"), u"")->data, utf16le(u"default"));
}

TEST(WineRegistry, MissingPiecesGiveNothing)
{
    const std::string value = "\"InstallLocation\"=\"C:\\\\Orvo\"\n";
    EXPECT_FALSE(read(regFile("win64", kKey32, "\"Other\"=\"x\"\n")));
    EXPECT_FALSE(read(regFile("win64", "[Software\\\\Wow6432Node\\\\Other]\n", value)));
    EXPECT_FALSE(read(""));
    EXPECT_FALSE(read("REGEDIT4\n" + regFile("win64", kKey32, value)));
    // A subkey of the wanted key holds none of its values.
    const std::string subkey = kKey32.substr(0, kKey32.find(']')) + "\\\\Sub]\n";
    EXPECT_FALSE(read(regFile("win64", subkey, value)));
    TempDir dir;
    EXPECT_FALSE(
        WineRegistry::readLocalMachineValue(dir.path().string(), kKey, u"InstallLocation"));
}

TEST(WineRegistry, ValueTypes)
{
    auto expandable =
        read(regFile("win64", kKey32, "\"InstallLocation\"=str(2):\"%ProgramFiles%\\\\Orvo\"\n"));
    ASSERT_TRUE(expandable);
    EXPECT_EQ(expandable->type, REG_EXPAND_SZ);
    EXPECT_EQ(expandable->data, utf16le(u"%ProgramFiles%\\Orvo"));

    auto number = read(regFile("win64", kKey32, "\"InstallLocation\"=dword:0000002a\n"));
    ASSERT_TRUE(number);
    EXPECT_EQ(number->type, REG_DWORD);
    EXPECT_EQ(number->data, (std::vector<std::uint8_t>{0x2a, 0, 0, 0}));

    auto multi = read(regFile("win64", kKey32, "\"InstallLocation\"=str(7):\"a\\0b\\0\"\n"));
    ASSERT_TRUE(multi);
    EXPECT_EQ(multi->type, REG_MULTI_SZ);
    EXPECT_EQ(multi->data, utf16le(std::u16string(u"a\0b\0", 4)));

    auto binary = read(regFile("win64", kKey32, "\"InstallLocation\"=hex:01,ff\n"));
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->type, REG_BINARY);
    EXPECT_EQ(binary->data, (std::vector<std::uint8_t>{1, 0xff}));
}

TEST(WineRegistry, HexValuesContinueOverLinesAndKeepTheirBytes)
{
    // "C:\O" without terminator, then a terminator on the continued lines; CRLF line ends.
    const std::string values = "\"InstallLocation\"=hex(2):43,00,3a,00,\\\r\n"
                               "  5c,00,4f,00,\\\r\n"
                               "  00,00\r\n"
                               "\"After\"=\"x\"\r\n";
    auto found = read(regFile("win64", kKey32, values));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->type, REG_EXPAND_SZ);
    EXPECT_EQ(found->data, utf16le(u"C:\\O"));
    EXPECT_EQ(read(regFile("win64", kKey32, values), u"After")->data, utf16le(u"x"));

    // Odd and unterminated bytes are handed over as they are; the caller judges them.
    EXPECT_EQ(read(regFile("win64", kKey32, "\"InstallLocation\"=hex(1):43,00,3a\n"))->data,
              (std::vector<std::uint8_t>{0x43, 0, 0x3a}));
    EXPECT_FALSE(read(regFile("win64", kKey32, "\"InstallLocation\"=hex(2):43,zz\n")));
}

TEST(WineRegistry, StringEscapesAndRawUtf8)
{
    const std::string values = "\"InstallLocation\"=\"a\\\\b\\\"c\\td\\ne\\x263a\\x41BCg\\101\\0"
                               "h\\eé\"\n";
    auto found = read(regFile("win64", kKey32, values));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->data,
              utf16le(std::u16string(u"a\\b\"c\td\ne\u263a\u41BCgA\0h\x1b\u00e9", 17)));
    // An unterminated string is no value.
    EXPECT_FALSE(read(regFile("win64", kKey32, "\"InstallLocation\"=\"abc\n")));
}

TEST(WineRegistry, LaterEntryOfTheSameValueWins)
{
    const std::string values = "\"InstallLocation\"=\"old\"\n";
    const std::string text =
        regFile("win64", kKey32, values) + kKey32 + "\"INSTALLLOCATION\"=\"new\"\n";
    EXPECT_EQ(read(text)->data, utf16le(u"new"));
}

class WinePaths : public ::testing::Test
{
protected:
    WinePaths()
    {
        fs::create_directories(prefix() / "drive_c" / "Program Files" / "Orvo");
        fs::create_directories(prefix() / "dosdevices");
        fs::create_directory_symlink("../drive_c", prefix() / "dosdevices" / "c:");
        fs::create_directory_symlink("/", prefix() / "dosdevices" / "z:");
    }
    fs::path prefix() const { return m_dir.path() / "prefix"; }
    std::u16string map(std::u16string_view path) const
    {
        return WineRegistry::nativePathFromWindows(prefix().string(), std::u16string(path));
    }
    std::u16string driveC() const { return u16(prefix() / "drive_c"); }

    TempDir m_dir;
};

TEST_F(WinePaths, DriveLettersLeadIntoThePrefix)
{
    EXPECT_EQ(map(u"C:\\Program Files\\Orvo"), driveC() + u"/Program Files/Orvo");
    EXPECT_EQ(map(u"c:\\Program Files\\Orvo"), driveC() + u"/Program Files/Orvo");
    EXPECT_EQ(map(u"Z:\\usr\\lib"), u"/usr/lib");
    EXPECT_EQ(map(u"C:\\"), driveC() + u"/");
}

TEST_F(WinePaths, ComponentsAreFoundWhateverTheirCase)
{
    EXPECT_EQ(map(u"C:\\PROGRAM FILES\\orvo"), driveC() + u"/Program Files/Orvo");
    // Below a missing component the rest stays as written.
    EXPECT_EQ(map(u"C:\\program files\\Gone\\SUB"), driveC() + u"/Program Files/Gone/SUB");
}

TEST_F(WinePaths, OneSeparatorAtTheEnd)
{
    EXPECT_EQ(map(u"C:\\Program Files\\Orvo\\"), driveC() + u"/Program Files/Orvo/");
    EXPECT_EQ(map(u"C:\\\\Program Files\\\\Orvo\\\\"), driveC() + u"/Program Files/Orvo/");
}

TEST_F(WinePaths, PathsWithoutADriveStandAsTheyAre)
{
    EXPECT_EQ(map(u"%ProgramFiles%\\Orvo"), u"%ProgramFiles%/Orvo");
    EXPECT_EQ(map(u"\\\\server\\share"), u"//server/share");
    // A drive the prefix does not have maps to where Wine would look for it.
    EXPECT_EQ(map(u"D:\\Orvo"), u16(prefix() / "dosdevices" / "d:") + u"/Orvo");
}

} // namespace vimo::test
