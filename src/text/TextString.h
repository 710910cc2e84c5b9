// Owned NUL-terminated text strings.
//
// A string owns exactly one heap block and obtains a block of the exact new
// size on every change of content: no spare capacity, no sharing. Every
// operation is virtual, and the order of the declarations below is the
// layout of the class's table of virtual operations; the unit test
// VirtualOrder pins it, so that no change of the header moves an operation
// to another place of the table unnoticed.
//
// Texts are bytes in the ANSI code page (Shift-JIS for the Japanese texts).
// All positions, lengths and indices are byte counts.
#pragma once

#include <cstdarg>
#include <cstdint>

class TextString {
public:
    TextString();
    TextString(const char* s);  // NOLINT(google-explicit-constructor): texts convert freely
    TextString(const TextString& other);
    TextString& operator=(const TextString& other) { return Assign(other); }
    TextString& operator=(const char* s) { return Assign(s); }

    // Storage, assignment, comparison, substrings.
    virtual ~TextString();
    virtual void Init();
    virtual bool Allocate(unsigned size);
    virtual bool SetText(const char* s);
    virtual bool AppendText(const char* s);
    virtual const char* CStr() const;
    virtual char* Buffer();
    virtual TextString& Assign(const TextString& other);
    virtual TextString& Assign(const char* s);
    virtual TextString& Append(const TextString& other);
    virtual TextString& Append(const char* s);
    virtual TextString Concat(const TextString& other) const;
    virtual TextString Concat(const char* s) const;
    virtual bool EqualsNoCase(const TextString& other) const;
    virtual bool EqualsNoCase(const char* s) const;
    virtual bool DiffersNoCase(const TextString& other) const;
    virtual bool DiffersNoCase(const char* s) const;
    virtual int32_t Length() const;
    virtual TextString Span(const char* first, const char* last) const;
    virtual void ReplaceSpan(const char* first, const char* last, const char* repl);
    virtual TextString CharAt(int index) const;
    virtual TextString Substring(int from, int to) const;
    virtual void ReplaceCharAt(int index, const char* repl);
    virtual void ReplaceSubstring(int from, int to, const char* repl);

    // Words: space-separated, a word starting with a double quote runs to the
    // first space that follows a double quote.
    virtual int WordCount() const;
    virtual bool FindWords(int from, int to, const char** first, const char** last) const;
    virtual TextString Word(int index) const;
    virtual TextString Words(int from, int to) const;
    virtual void ReplaceWord(int index, const char* repl);
    virtual void ReplaceWords(int from, int to, const char* repl);

    // Items of a list separated by `sep` (any non-empty byte sequence).
    virtual int ItemCount(const char* sep) const;
    virtual bool FindItems(int from, int to, const char* sep, const char** first,
                           const char** last) const;
    virtual TextString Item(int index, const char* sep) const;
    virtual TextString Items(int from, int to, const char* sep) const;
    virtual void ReplaceItem(int index, const char* sep, const char* repl);
    virtual void ReplaceItems(int from, int to, const char* sep, const char* repl);

    // Top-level groups between `open` and `close`, delimiters included.
    virtual int GroupCount(const char* open, const char* close) const;
    virtual bool FindGroups(int from, int to, const char* open, const char* close,
                            const char** first, const char** last) const;
    virtual TextString Group(int index, const char* open, const char* close) const;
    virtual TextString Groups(int from, int to, const char* open, const char* close) const;
    virtual void ReplaceGroup(int index, const char* open, const char* close, const char* repl);
    virtual void ReplaceGroups(int from, int to, const char* open, const char* close,
                               const char* repl);

    virtual void Trim(const char* token);
    virtual void Trim(const char* lead, const char* trail);
    virtual void FormatV(const char* format, va_list args);
    virtual void FormatMessageId(unsigned id, ...);
    virtual void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual int ToInt() const;
    virtual int ToHex() const;
    virtual void Compact();
    virtual void Reset(const char* s);
    virtual bool ReplaceAll(const char* find, const char* repl);
    virtual int CountOf(const char* find) const;

private:
    char* text_;
};
