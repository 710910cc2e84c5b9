// The rules of the script checker, as data: each file of tests/check/cases
// is a script whose comment lines
//
//   ; expect: LINE SEVERITY RULE [TEXT]
//                                      a finding it must give (any order),
//                                      whose English text (or where the
//                                      run stops) holds TEXT
//   ; expect-none                      it must give none
//   ; src: FOLDER                      <Src> as the updater will see it
//
// name every finding the checker must report, and no other. Lines count
// from the top of the file, the comment lines included.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "check/Checker.h"
#include "check/Report.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The case's directives, read from its bytes (a UTF-16 case holds them in
// every other byte, so they are read from the bytes with NULs dropped).
struct Case {
    std::vector<std::string> expected;
    std::vector<std::pair<unsigned, std::string>> texts;  // a line and what a finding's text there holds
    std::string src;
    bool none = false;  // "; expect-none": a script without findings
};

Case ReadCase(const std::string& bytes) {
    std::string text;
    for (char c : bytes) {
        if (c != '\0') text += c;
    }
    Case found;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.rfind("; expect: ", 0) == 0) {
            std::istringstream words(line.substr(10));
            std::string number, severity, rule, holds;
            words >> number >> severity >> rule >> std::ws;
            std::getline(words, holds);
            found.expected.push_back(number + " " + severity + " " + rule);
            if (!holds.empty()) found.texts.push_back({static_cast<unsigned>(std::stoul(number)), holds});
        } else if (line == "; expect-none") {
            found.none = true;
        } else if (line.rfind("; src: ", 0) == 0) {
            found.src = line.substr(7);
        }
    }
    std::sort(found.expected.begin(), found.expected.end());
    return found;
}

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(CHECK_CASES_DIR)) {
        if (entry.path().extension() == ".ini") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class CheckCase : public ::testing::TestWithParam<std::string> {};

TEST_P(CheckCase, GivesItsFindingsAndNoOther) {
    const fs::path path = fs::path(CHECK_CASES_DIR) / GetParam();
    const Case expected = ReadCase(ReadBytes(path));
    ASSERT_NE(expected.expected.empty(), !expected.none) << "a case names its findings, or says \"; expect-none\"";

    const CheckReport report = CheckScript({path.string(), expected.src});
    std::vector<std::string> found;
    for (const Finding& finding : report.findings) {
        ASSERT_NE(finding.rule, nullptr);
        found.push_back(std::to_string(finding.line) + " " +
                        (finding.severity == Severity::kError ? "error" : "warning") + " " + finding.rule->id);
        // Only an error is a box the updater shows; a warning names none.
        if (finding.severity != Severity::kError) {
            EXPECT_EQ(finding.updaterMessage, 0) << finding.rule->id;
        }
        // Every text the case reaches exists in both languages, with all
        // its placeholders filled.
        for (Language language : {Language::kEnglish, Language::kJapanese}) {
            const std::string text = FindingText(finding, language);
            EXPECT_NE(text, finding.message) << "no text for " << finding.message;
            EXPECT_EQ(text.find('{'), std::string::npos) << text;
            EXPECT_EQ(StopText(finding, language).find('{'), std::string::npos);
        }
    }
    // The report reads from the top: by line, and on one line errors first.
    EXPECT_TRUE(std::is_sorted(report.findings.begin(), report.findings.end(), [](const Finding& a, const Finding& b) {
        return a.line != b.line ? a.line < b.line : a.severity == Severity::kError && b.severity != Severity::kError;
    }));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected.expected) << TextReport({report}, Language::kEnglish);
    for (const auto& [line, text] : expected.texts) {
        EXPECT_TRUE(std::any_of(report.findings.begin(), report.findings.end(), [&](const Finding& finding) {
            const std::string said =
                FindingText(finding, Language::kEnglish) + "\n" + StopText(finding, Language::kEnglish);
            return finding.line == line && said.find(text) != std::string::npos;
        })) << "line " << line << ": " << text;
    }
}

std::string CaseTestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param.substr(0, info.param.size() - 4);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckCase, ::testing::ValuesIn(CaseNames()), CaseTestName);

// The script's own name, which no case file can choose: <Src> is the
// program's path cut at its last backslash byte, so a character whose
// second byte is a backslash cuts it inside the name. A folder given as
// <Src> (--src) leaves the name out of it. (The script's text is given; its
// reads find no file, which only adds findings of missing keys.)
TEST(CheckOwnName, ACharacterEndingInABackslashCutsSrc) {
    // 表示.ini in Shift-JIS: 表 is 95 5C. The finding names it in UTF-8 (E8 A1 A8).
    const std::string path = "C:\\Setup\\\x95\x5C\x8E\xA6.ini";
    for (const std::string src : {"", "C:\\Setup"}) {
        const CheckReport report = CheckScriptBytes("x.ini", path, "[UPDATER]\r\n", src);
        const bool cut = std::any_of(report.findings.begin(), report.findings.end(), [](const Finding& finding) {
            return finding.message == "sjis-backslash-src" && finding.args == std::vector<std::string>{"\xE8\xA1\xA8"};
        });
        EXPECT_EQ(cut, src.empty()) << src;
    }
}

}  // namespace
