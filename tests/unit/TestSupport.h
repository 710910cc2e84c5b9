// Shared helpers of the unit tests: scratch folders, scripts, and a message
// box that records every box and answers from a script of answers.
#pragma once

#include <cstdarg>
#include <deque>
#include <set>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/RunState.h"
#include "text/TextString.h"

// Whether the tests run under Wine, whose answers differ from Windows' own
// in a few places (the tests say where).
bool UnderWine();

// Sets an environment variable (null: removes it) for the life of the
// object, and puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool had_;
};

// Readies a run as the updater readies its own: the updater's command kinds
// and the caption "Test".
void PrepareRun(RunState& run);

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned style;
};

// Records every box shown while it lives; answers are taken from the front
// of `answers`, and a box with no answer left gets the box's default button.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    std::vector<RecordedBox> boxes;
    std::deque<int> answers;
};

// A scratch folder removed again when the object goes away.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    // The folder as the host sees it and as a script names it (Windows form).
    const std::filesystem::path& native() const { return path_; }
    std::string windows() const { return WindowsForm(path_); }
    std::string windows(const std::string& relative) const;
    std::filesystem::path at(const std::string& relative) const { return path_ / relative; }
    void Write(const std::string& relative, const std::string& content) const;
    std::string Read(const std::string& relative) const;

    static std::string WindowsForm(const std::filesystem::path& path);

private:
    std::filesystem::path path_;
};

// The catalogue text `id` formatted with its arguments, as the error box
// shows it.
std::string Message(unsigned id, ...);

// Content that differs at every offset, so that a misplaced chunk shows.
std::string Pattern(size_t size, unsigned seed);

// The names in a folder, to see that a failure leaves nothing behind.
std::set<std::string> Listing(const std::filesystem::path& folder);

#ifndef _WIN32
// A memory file system of 1 MiB mounted on `folder` (made here) while the
// object lives, to fill up for real; mounted() is false where this process
// may not mount one.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::filesystem::path& folder);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::filesystem::path folder_;
    bool mounted_;
};
#endif
