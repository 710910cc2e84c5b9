#include "TestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <unistd.h>
#endif

#include "commands/CommandTable.h"
#include "platform/Catalogue.h"
#include "platform/MessageBox.h"
#include "text/Catalogue.h"
#include "text/Messages.h"

namespace {

// The tests read the catalogue from the program's own store, as the
// program does.
const bool kCatalogueReaderSet = (SetCatalogueReader(ReadCatalogueEntry), true);

BoxRecorder* activeRecorder = nullptr;

int DefaultAnswer(unsigned style) {
    if ((style & 0xF) == kBoxYesNo) return (style & kBoxDefButton2) ? kAnswerNo : kAnswerYes;
    return kAnswerOk;
}

int RecordBox(const char* text, const char* caption, unsigned style) {
    BoxRecorder& recorder = *activeRecorder;
    recorder.boxes.push_back({text, caption, style});
    if (recorder.answers.empty()) return DefaultAnswer(style);
    const int answer = recorder.answers.front();
    recorder.answers.pop_front();
    return answer;
}

}  // namespace

bool UnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : "");
#else
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name), had_(false) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    SetVariable(name, value);
}

ScopedEnv::~ScopedEnv() { SetVariable(name_.c_str(), had_ ? old_.c_str() : nullptr); }

void PrepareRun(RunState& run) {
    run.Commands = UpdaterCommands();
    run.Caption.Assign("Test");
}

BoxRecorder::BoxRecorder() {
    activeRecorder = this;
    SetMessageBoxHook(RecordBox);
}

BoxRecorder::~BoxRecorder() {
    SetMessageBoxHook(nullptr);
    activeRecorder = nullptr;
}

ScratchDir::ScratchDir() {
    std::random_device seed;
    std::ostringstream name;
    name << "updater-test-" << std::hex << seed() << seed();
    path_ = std::filesystem::temp_directory_path() / name.str();
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    // Read-only files left by a test must not keep the folder alive.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::windows(const std::string& relative) const {
    std::string path = windows();
    if (!relative.empty()) path += "\\" + relative;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

void ScratchDir::Write(const std::string& relative, const std::string& content) const {
    std::filesystem::path file = at(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

std::string ScratchDir::Read(const std::string& relative) const {
    std::ifstream in(at(relative), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string ScratchDir::WindowsForm(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.string();
#else
    std::string text = "Z:" + path.string();
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    return text;
#endif
}

std::string Message(unsigned id, ...) {
    char area[256];
    area[0] = '\0';
    LoadCatalogueText(id, area, sizeof area);
    va_list args;
    va_start(args, id);
    TextString text;
    text.FormatV(area, args);
    va_end(args);
    return text.CStr();
}

std::string Pattern(size_t size, unsigned seed) {
    std::string text(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& c : text) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return text;
}

std::set<std::string> Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

#ifndef _WIN32
SmallFileSystem::SmallFileSystem(const std::filesystem::path& folder) : folder_(folder) {
    std::filesystem::create_directories(folder);
    mounted_ = geteuid() == 0 && mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
}
#endif
