// The INI corpus (tests/ini): every read of every case, made by the reader
// the program uses, gives what tests/ini/expected.txt records as Windows'
// answer. scripts/ini-diff makes the same reads through Windows' own calls
// under Wine and keeps expected.txt in step with them; on the Windows
// presets this test holds Wine to the same file (an "expect" line of the
// corpus standing in where Wine departs from Windows).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "IniReads.h"
#include "TestSupport.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

TEST(IniCorpus, EveryReadGivesWindowsAnswer) {
    const std::string corpus = INI_CORPUS_DIR;
    const std::vector<std::string> cases = Lines(ReadFile(corpus + "/cases.txt"));
    ASSERT_FALSE(cases.empty());
    std::string notes;
    bool ok = false;
    const std::vector<std::string> got = Lines(RunIniCases(corpus, corpus, cases, UnderWine(), notes, ok));
    EXPECT_TRUE(ok) << notes;
    const std::vector<std::string> expected = Lines(ReadFile(corpus + "/expected.txt"));
    ASSERT_EQ(got.size(), expected.size());
    std::string currentCase;
    for (size_t i = 0; i < got.size(); ++i) {
        if (expected[i].rfind("== ", 0) == 0) currentCase = expected[i];
        EXPECT_EQ(got[i], expected[i]) << currentCase;
    }
}

}  // namespace
