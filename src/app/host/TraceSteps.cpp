// The steps of a traced run and their two written forms.
#include "app/host/TraceSteps.h"

#include "winlike/CodePage.h"

TraceStep& TraceStep::Text(const char* name, std::string value) {
    TraceValue field;
    field.text = std::move(value);
    fields.emplace_back(name, std::move(field));
    return *this;
}

TraceStep& TraceStep::Number(const char* name, long long value) {
    TraceValue field;
    field.kind = TraceValue::kNumber;
    field.number = value;
    fields.emplace_back(name, std::move(field));
    return *this;
}

TraceStep& TraceStep::Flag(const char* name, bool value) {
    TraceValue field;
    field.kind = TraceValue::kBool;
    field.number = value ? 1 : 0;
    fields.emplace_back(name, std::move(field));
    return *this;
}

TraceStep& TraceStep::List(const char* name, std::vector<std::string> items) {
    TraceValue field;
    field.kind = TraceValue::kList;
    field.list = std::move(items);
    fields.emplace_back(name, std::move(field));
    return *this;
}

const TraceValue* TraceStep::Field(const char* name) const {
    for (const auto& field : fields) {
        if (field.first == name) return &field.second;
    }
    return nullptr;
}

std::string TextTraceWriter::Line(const std::string& file, const TraceStep& step) {
    std::string line = file;
    if (step.line != 0) line += ":" + std::to_string(step.line);
    line += ": ";
    line.append(static_cast<size_t>(step.depth > 0 ? step.depth : 0) * 2, ' ');
    line += step.message;
    return line;
}

void TextTraceWriter::Step(const std::string& file, const TraceStep& step) {
    std::fprintf(out_, "%s\n", Line(file, step).c_str());
    std::fflush(out_);
}

namespace {

// The length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
size_t Utf8SequenceAt(const std::string& text, size_t at) {
    unsigned code;
    return DecodeUtf8(text, at, code);
}

std::string JsonValue(const TraceValue& value) {
    switch (value.kind) {
        case TraceValue::kNumber: return std::to_string(value.number);
        case TraceValue::kBool: return value.number != 0 ? "true" : "false";
        case TraceValue::kList: {
            std::string list = "[";
            for (size_t i = 0; i < value.list.size(); ++i) {
                if (i > 0) list += ",";
                list += JsonString(value.list[i]);
            }
            return list + "]";
        }
        case TraceValue::kText: break;
    }
    return JsonString(value.text);
}

}  // namespace

bool IsWellFormedUtf8(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceAt(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const size_t length = Utf8SequenceAt(text, at);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(text, at, length);
        }
        at += length;
    }
    return out + "\"";
}

std::string JsonTraceWriter::Line(const std::string& file, const TraceStep& step) {
    std::string line = "{\"step\":" + JsonString(step.step) + ",\"file\":" + JsonString(file);
    if (step.line != 0) line += ",\"line\":" + std::to_string(step.line);
    line += ",\"depth\":" + std::to_string(step.depth);
    for (const auto& field : step.fields) line += "," + JsonString(field.first) + ":" + JsonValue(field.second);
    return line + "}";
}

void JsonTraceWriter::Step(const std::string& file, const TraceStep& step) {
    std::fprintf(out_, "%s\n", Line(file, step).c_str());
    std::fflush(out_);
}
