// The message catalogue as the program loads it: Shift-JIS bytes checked
// against bytes written out by hand, the texts formatted with their
// arguments, the error box, and the default caption. (Every text is shown
// word for word by the end-to-end scenarios.)
//
// On Windows the texts come from the program's string table, converted to
// the ANSI code page by the system: these tests run there only when that is
// Shift-JIS (a Japanese system; under Wine the ja_JP locale).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TestSupport.h"
#include "engine/ErrorBox.h"
#include "engine/RunState.h"
#include "text/Catalogue.h"
#include "text/Messages.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

// `utf8` in CP932, converted by the platform rather than by the program.
std::string Cp932(const std::string& utf8) {
#ifdef _WIN32
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(units, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], units);
    const int bytes = WideCharToMultiByte(932, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(bytes, '\0');
    WideCharToMultiByte(932, 0, wide.c_str(), -1, &result[0], bytes, nullptr, nullptr);
    result.resize(std::strlen(result.c_str()));
    return result;
#else
    iconv_t converter = iconv_open("CP932", "UTF-8");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1));
    std::string result(utf8.size() * 2 + 1, '\0');
    char* input = const_cast<char*>(utf8.data());
    size_t inputLeft = utf8.size();
    char* output = &result[0];
    size_t outputLeft = result.size();
    EXPECT_NE(iconv(converter, &input, &inputLeft, &output, &outputLeft), static_cast<size_t>(-1));
    result.resize(result.size() - outputLeft);
    iconv_close(converter);
    return result;
#endif
}

std::string Load(unsigned id) {
    char area[256];
    std::memset(area, 'x', sizeof area);
    const int length = LoadCatalogueText(id, area, sizeof area);
    EXPECT_EQ(length, static_cast<int>(std::strlen(area))) << "id " << id;
    return area;
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932";
#endif
    }
};

// Written out byte by byte, independently of any conversion.
const char kProcCountBytes[] =  // "プロシージャ数が正しくありません。"
    "\x83\x76\x83\x8D\x83\x56\x81\x5B\x83\x57\x83\x83\x90\x94\x82\xAA\x90\xB3\x82\xB5"
    "\x82\xAD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
const char kAttrFailedBytes[] =  // "ファイル属性の変更に失敗しました。\n\nファイル："%s"\n属性：0x%08X"
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x91\xAE\x90\xAB\x82\xCC\x95\xCF\x8D\x58\x82\xC9"
    "\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42"
    "\n\n"
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x81\x46"
    "\"%s\"\n"
    "\x91\xAE\x90\xAB\x81\x46"
    "0x%08X";
const char kDefaultCaptionBytes[] =  // "ネムリア アップデータ"
    "\x83\x6C\x83\x80\x83\x8A\x83\x41\x20\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5B\x83\x5E";

TEST_F(CatalogueTest, TextsAgreeWithShiftJisBytesWrittenOut) {
    EXPECT_EQ(Load(kMsgBadProcCount), kProcCountBytes);
    EXPECT_EQ(Load(kMsgAttrFailed), kAttrFailedBytes);
    EXPECT_STREQ(kDefaultCaption, kDefaultCaptionBytes);
    EXPECT_EQ(Cp932("ネムリア アップデータ"), kDefaultCaptionBytes);
    // Ids the catalogue does not hold give the empty text.
    for (unsigned id : {0u, 7u, 14u}) EXPECT_EQ(Load(id), "") << id;
}

TEST_F(CatalogueTest, FormattedMessages) {
    // The attribute in eight upper-case hexadecimal digits.
    EXPECT_EQ(Message(kMsgAttrFailed, "C:\\a.txt", 33u),
              Cp932("ファイル属性の変更に失敗しました。\n\nファイル：\"C:\\a.txt\"\n属性：0x00000021"));
    const std::string high = Message(kMsgAttrFailed, "x", 0xABCDEF01u);
    EXPECT_EQ(high.substr(high.size() - 12), "\x81\x46" "0xABCDEF01");
    // The section first, the key second.
    EXPECT_EQ(Message(kMsgBadSetting, "UPDATER", "PROC"),
              Cp932("設定ファイルのフォーマットが正しくありません。\n\nセクション：\"UPDATER\"\nパラメータ：\"PROC\""));
    EXPECT_EQ(Message(kMsgBadItemCount, "COPY1", "TO"),
              Cp932("設定パラメータのアイテム数が正しくありません。\n\nセクション：\"COPY1\"\nパラメータ：\"TO\""));
    // No arguments: the text as it is.
    EXPECT_EQ(Message(kMsgBadProcCount), kProcCountBytes);
    // Shift-JIS arguments pass through unchanged, "\" trail bytes included.
    const std::string path = Cp932("C:\\ソフト\\表.txt");
    EXPECT_EQ(Message(kMsgFileNotFound, path.c_str()),
              Cp932("ファイルが見つかりません。\n\nファイル:：\"C:\\ソフト\\表.txt\""));
}

TEST_F(CatalogueTest, ErrorBoxShowsTheMessageUnderTheCaption) {
    BoxRecorder boxes;
    RunState run;
    run.Caption.Assign(kDefaultCaption);
    ShowErrorBox(run, kMsgCopyFailed, "a.txt", "b.txt");
    run.Caption.Assign("Named");
    ShowErrorBox(run, kMsgBadProcCount);

    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].caption, kDefaultCaptionBytes);
    EXPECT_EQ(boxes.boxes[0].text,
              Cp932("ファイルのコピーに失敗しました。\n\n転送元：\"a.txt\"\n転送先：\"b.txt\""));
    EXPECT_EQ(boxes.boxes[0].style, 0x10u);
    EXPECT_EQ(boxes.boxes[1].caption, "Named");
    EXPECT_EQ(boxes.boxes[1].text, kProcCountBytes);
    EXPECT_EQ(boxes.boxes[1].style, 0x10u);
}

}  // namespace
