// The steps of a traced run and the two forms a trace is written in.
//
// A step is one line of the trace: where in the script it comes from (the
// script's file name and a line, 0 for none), how deep in nested lists it
// happens, its text form, and its fields for the JSON form. Every text is
// UTF-8.
//
// Text form, one line per step:
//     updater.ini:12: [CHECK] DATE: flag 1
//     updater.ini:20:   box [ASK] QUESTION "Install it now?": Yes
//     updater.ini: end: completed, status 0
// (two spaces of indent for every procedure running around the step).
// JSON form, one object per line: {"step":"procedure","file":"updater.ini",
// "line":12,"depth":0,...the step's fields}.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

struct TraceValue {
    enum Kind { kText, kNumber, kBool, kList } kind = kText;
    std::string text;
    long long number = 0;
    std::vector<std::string> list;
};

struct TraceStep {
    std::string step;  // start, list, procedure, box, error, action, end
    unsigned line = 0;
    int depth = 0;
    std::string message;
    std::vector<std::pair<std::string, TraceValue>> fields;

    TraceStep& Text(const char* name, std::string value);
    TraceStep& Number(const char* name, long long value);
    TraceStep& Flag(const char* name, bool value);
    TraceStep& List(const char* name, std::vector<std::string> items);
    // The field `name`, or null.
    const TraceValue* Field(const char* name) const;
};

class StepSink {
public:
    virtual void Step(const std::string& file, const TraceStep& step) = 0;

protected:
    ~StepSink() = default;
};

// Writes the text form to `out`.
class TextTraceWriter : public StepSink {
public:
    explicit TextTraceWriter(std::FILE* out) : out_(out) {}
    void Step(const std::string& file, const TraceStep& step) override;
    static std::string Line(const std::string& file, const TraceStep& step);

private:
    std::FILE* out_;
};

// Writes the JSON form to `out`.
class JsonTraceWriter : public StepSink {
public:
    explicit JsonTraceWriter(std::FILE* out) : out_(out) {}
    void Step(const std::string& file, const TraceStep& step) override;
    static std::string Line(const std::string& file, const TraceStep& step);

private:
    std::FILE* out_;
};

// A JSON string literal of `text`: quotes, backslashes and control
// characters escaped, and every byte that is not part of a well-formed
// UTF-8 sequence replaced by U+FFFD, so that the line is valid JSON
// whatever bytes a script holds.
std::string JsonString(const std::string& text);

// Whether every byte of `text` belongs to a well-formed UTF-8 sequence.
bool IsWellFormedUtf8(const std::string& text);
