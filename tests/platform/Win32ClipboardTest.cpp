// The Windows clipboard against the system's own (under Wine in the suite, in the run's own
// prefix): what the tool puts there is what another program reads back.

#include "platform/win32/Win32Clipboard.h"

#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <thread>

// After the model's headers: <windows.h> defines result codes as macros.
#include <windows.h>

namespace vimo::test {

namespace {

// Wine's bridge to the X selection may be reading the clipboard at that moment: wait for it.
bool openPatiently()
{
    for (int attempt = 0; !OpenClipboard(nullptr); ++attempt) {
        if (attempt == 50) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

// The clipboard's Unicode text as any other program reads it; nothing when it has none.
std::optional<std::u16string> clipboardText()
{
    if (!openPatiently()) {
        return std::nullopt;
    }
    std::optional<std::u16string> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const char16_t*>(GlobalLock(data))) {
            text = units;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Another program holding the clipboard open for `holdMs` milliseconds, from its own thread.
class ClipboardHolder
{
public:
    explicit ClipboardHolder(DWORD holdMs)
    {
        std::promise<bool> opened;
        std::future<bool> answer = opened.get_future();
        m_thread = std::thread([holdMs, &opened] {
            const bool open = openPatiently();
            opened.set_value(open);
            Sleep(holdMs);
            if (open) {
                CloseClipboard();
            }
        });
        m_holding = answer.get();
    }
    ~ClipboardHolder() { m_thread.join(); }
    bool holding() const { return m_holding; }

private:
    std::thread m_thread;
    bool m_holding = false;
};

} // namespace

// One test: the clipboard is the whole session's, and CTest runs tests side by side.
TEST(Win32Clipboard, TextIsReadBackByOthersAfterWaitingBrieflyForAHolder)
{
    const std::u16string texts[] = {
        u"C:\\Users\\dev\\orvo_vimoVimoz.zip",
        u"C:\\D\u00e9veloppeur\\\u4e2d\u6587 \U0001F600\\a.zip", // accents, CJK, a surrogate pair
        u"",
    };
    Win32Clipboard clipboard;
    for (const std::u16string& text : texts) {
        std::string whyNot;
        ASSERT_TRUE(clipboard.setText(text, whyNot)) << whyNot;
        EXPECT_EQ(clipboardText(), text);
    }

    std::string whyNot;
    {
        const ClipboardHolder briefly(60);
        ASSERT_TRUE(briefly.holding());
        EXPECT_TRUE(clipboard.setText(u"after a wait", whyNot)) << whyNot;
    }
    EXPECT_EQ(clipboardText(), u"after a wait");

    const ClipboardHolder throughout(600);
    ASSERT_TRUE(throughout.holding());
    EXPECT_FALSE(clipboard.setText(u"refused", whyNot));
    EXPECT_NE(whyNot.find("could not be opened"), std::string::npos) << whyNot;
}

} // namespace vimo::test
