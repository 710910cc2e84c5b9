// The host edition's console box: its framing, the conversion of its texts
// to the locale's character set, and how answers press its buttons.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/ConsoleBox.h"
#include "winlike/Conversion.h"
#include "text/Messages.h"

namespace {

struct BoxRun {
    int answer;
    std::string shown;      // what the box wrote
    std::string unread;     // input left for later boxes
};

// Shows one box with `input` as everything the user types.
BoxRun ShowBox(const char* text, const char* caption, unsigned style, const std::string& input,
           const char* charset = "UTF-8") {
    std::string typed = input;
    std::FILE* in = typed.empty() ? std::fopen("/dev/null", "r")
                                  : fmemopen(&typed[0], typed.size(), "r");
    char* written = nullptr;
    size_t writtenSize = 0;
    std::FILE* out = open_memstream(&written, &writtenSize);

    BoxRun run;
    run.answer = ShowConsoleBox(text, caption, style, in, out, charset);
    std::fclose(out);
    run.shown.assign(written, writtenSize);
    std::free(written);
    for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) run.unread += static_cast<char>(c);
    std::fclose(in);
    return run;
}

const unsigned kError = 0x10;
const unsigned kInformation = 0x40;
const unsigned kWarning = 0x134;
const unsigned kQuestion = 0x24;

TEST(ConsoleBoxTest, AnswersPressButtons) {
    struct Case {
        unsigned style;
        const char* input;
        int answer;
        const char* unread;
    };
    const Case cases[] = {
        // An empty line or the end of input presses the default button.
        {kError, "", kAnswerOk, ""},
        {kInformation, "\n", kAnswerOk, ""},
        {kQuestion, "", kAnswerYes, ""},
        {kQuestion, "\n", kAnswerYes, ""},
        {kWarning, "", kAnswerNo, ""},
        {kWarning, "\r\n", kAnswerNo, ""},
        {kWarning, "   \n", kAnswerNo, ""},
        // The words, in any letter case, blanks around them ignored.
        {kError, "ok\n", kAnswerOk, ""},
        {kInformation, " OK \n", kAnswerOk, ""},
        {kWarning, "y\n", kAnswerYes, ""},
        {kWarning, "YeS\r\n", kAnswerYes, ""},
        {kQuestion, "n\n", kAnswerNo, ""},
        {kQuestion, "\tNo\n", kAnswerNo, ""},
        {kQuestion, "no", kAnswerNo, ""},  // last line without its line end
        // One line per box: the next box's answer stays unread.
        {kQuestion, "no\nyes\n", kAnswerNo, "yes\n"},
        // Other answers ask again.
        {kQuestion, "maybe\nno\n", kAnswerNo, ""},
        {kError, "yes\nok\n", kAnswerOk, ""},
        {kQuestion, "ok\n\n", kAnswerYes, ""},
        {kWarning, "sure\n", kAnswerNo, ""},  // then the end of input
        // Three of them count as the default button.
        {kQuestion, "a\nb\nc\nno\n", kAnswerYes, "no\n"},
        {kWarning, "a\nb\nc\nyes\n", kAnswerNo, "yes\n"},
    };
    for (const Case& c : cases) {
        const BoxRun run = ShowBox("text", "caption", c.style, c.input);
        EXPECT_EQ(run.answer, c.answer) << "style " << c.style << " input \"" << c.input << "\"";
        EXPECT_EQ(run.unread, c.unread) << "style " << c.style << " input \"" << c.input << "\"";
    }
}

TEST(ConsoleBoxTest, Framing) {
    // The caption converted from Shift-JIS, the text's lines as they are,
    // the buttons with the default in brackets, the prompt with the answer.
    EXPECT_EQ(ShowBox("Line one\nLine\ttwo", kDefaultCaption, kError, "ok\n").shown,
              "=== ネムリア アップデータ ===\n"
              "Line one\nLine\ttwo\n"
              "--- [OK] ---\n"
              "> ok\n");
    EXPECT_EQ(ShowBox("Install?", "Setup", kQuestion, "").shown,
              "=== Setup ===\nInstall?\n--- [Yes] No ---\n> \n");
    EXPECT_EQ(ShowBox("Really?", "Setup", kWarning, "what\n\n").shown,
              "=== Setup ===\nReally?\n--- Yes [No] ---\n"
              "> what\nPlease answer yes or no (an empty line: No).\n"
              "> \n");
    const std::string given_up = ShowBox("", "", kError, "x\ny\nz\n").shown;
    EXPECT_EQ(given_up.rfind("===  ===\n\n--- [OK] ---\n", 0), 0u);
    EXPECT_NE(given_up.find("Taking the default button, OK.\n"), std::string::npos);
}

TEST(ConsoleBoxTest, TextsConvertToTheLocaleCharset) {
    struct Case {
        const char* text;
        const char* charset;
        std::string shown;
    };
    const Case cases[] = {
        {"\x83\x6C\x83\x80\x83\x8A\x83\x41", "UTF-8", "ネムリア"},
        // Backslashes of paths stay backslashes; half-width katakana convert.
        {"C:\\\x95\x5C\\a.txt", "UTF-8", "C:\\表\\a.txt"},
        {"\xB1\xDD", "UTF-8", "ｱﾝ"},
        {"abc", "ANSI_X3.4-1968", "abc"},
        {"\x83\x41", "CP932", "\x83\x41"},
        // What does not convert is kept as it is, a character at a time.
        {"a\x83\x41z", "ANSI_X3.4-1968", "a\x83\x41z"},
        {"\x80x\xA0\x83\x41", "UTF-8", "\x80x\xA0" "ア"},
        {"ab\x83", "UTF-8", "ab\x83"},
        {"a\x85\xB1", "UTF-8", "a\x85\xB1"},  // a pair of no character, not a katakana after a byte
        {"\x83\x41", "NO-SUCH-CHARSET", "\x83\x41"},
        {"", "UTF-8", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertFromAnsi(c.text, c.charset), c.shown) << c.text << " to " << c.charset;
    }
    // Long texts go through in several pieces.
    std::string longText;
    std::string longShown;
    for (int i = 0; i < 300; ++i) {
        longText += "\x83\x41";
        longShown += "ア";
    }
    EXPECT_EQ(ConvertFromAnsi(longText.c_str(), "UTF-8"), longShown);
}

TEST(ConsoleBoxTest, TextsTheLocaleCannotShowAreWrittenInUtf8) {
    // The C locale's ASCII has no Japanese: the whole box text is UTF-8.
    EXPECT_EQ(ShowBox("\x83\x52\x83\x73\x81\x5B", kDefaultCaption, kError, "", "ANSI_X3.4-1968").shown,
              "=== ネムリア アップデータ ===\nコピー\n--- [OK] ---\n> \n");
    EXPECT_EQ(ConsoleText("a\x83\x41z", "ANSI_X3.4-1968"), "aアz");
    EXPECT_EQ(ConsoleText("\x83\x41", "NO-SUCH-CHARSET"), "ア");
    // A text the locale can show stays in the locale's character set.
    EXPECT_EQ(ConsoleText("abc", "ANSI_X3.4-1968"), "abc");
    EXPECT_EQ(ConsoleText("\x83\x41", "EUC-JP"), "\xA5\xA2");
}

}  // namespace

#endif  // _WIN32
