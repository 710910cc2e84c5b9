// The virtual operations of the text classes stay in the order in which they
// are declared: that order is the layout of each class's table of virtual
// operations, and a reordered declaration would change it silently.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "text/ByteBuffer.h"
#include "text/TextString.h"

namespace {

// The place of a virtual operation in its class's table: a pointer to a
// virtual member function holds one more than that byte offset (the ABI of
// GCC and clang, MinGW's included).
template <class Method>
std::ptrdiff_t TableOffset(Method method) {
    std::ptrdiff_t raw = 0;
    std::memcpy(&raw, &method, sizeof raw);
    return raw - 1;
}

// The offsets follow one another slot by slot, after the two slots of the
// destructor.
void ExpectConsecutive(const std::vector<std::ptrdiff_t>& offsets) {
    const std::ptrdiff_t slot = sizeof(void*);
    for (size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_EQ(offsets[i], static_cast<std::ptrdiff_t>(i + 2) * slot) << "operation " << i;
    }
}

using T = TextString;
using B = ByteBuffer;

TEST(VirtualOrder, ByteBufferOperations) {
    ExpectConsecutive({
        TableOffset(&B::Init),
        TableOffset(&B::Clear),
        TableOffset(&B::Allocate),
        TableOffset(&B::Set),
        TableOffset(static_cast<bool (B::*)(const void*, unsigned)>(&B::Append)),
        TableOffset(&B::Data),
        TableOffset(&B::Buffer),
        TableOffset(&B::Assign),
        TableOffset(static_cast<B& (B::*)(const B&)>(&B::Append)),
        TableOffset(&B::Concat),
        TableOffset(&B::Equals),
        TableOffset(&B::Differs),
        TableOffset(&B::Slice),
        TableOffset(&B::Remove),
    });
}

TEST(VirtualOrder, TextStringOperations) {
    ExpectConsecutive({
        TableOffset(&T::Init),
        TableOffset(&T::Allocate),
        TableOffset(&T::SetText),
        TableOffset(&T::AppendText),
        TableOffset(&T::CStr),
        TableOffset(&T::Buffer),
        TableOffset(static_cast<T& (T::*)(const T&)>(&T::Assign)),
        TableOffset(static_cast<T& (T::*)(const char*)>(&T::Assign)),
        TableOffset(static_cast<T& (T::*)(const T&)>(&T::Append)),
        TableOffset(static_cast<T& (T::*)(const char*)>(&T::Append)),
        TableOffset(static_cast<T (T::*)(const T&) const>(&T::Concat)),
        TableOffset(static_cast<T (T::*)(const char*) const>(&T::Concat)),
        TableOffset(static_cast<bool (T::*)(const T&) const>(&T::EqualsNoCase)),
        TableOffset(static_cast<bool (T::*)(const char*) const>(&T::EqualsNoCase)),
        TableOffset(static_cast<bool (T::*)(const T&) const>(&T::DiffersNoCase)),
        TableOffset(static_cast<bool (T::*)(const char*) const>(&T::DiffersNoCase)),
        TableOffset(&T::Length),
        TableOffset(&T::Span),
        TableOffset(&T::ReplaceSpan),
        TableOffset(&T::CharAt),
        TableOffset(&T::Substring),
        TableOffset(&T::ReplaceCharAt),
        TableOffset(&T::ReplaceSubstring),
        TableOffset(&T::WordCount),
        TableOffset(&T::FindWords),
        TableOffset(&T::Word),
        TableOffset(&T::Words),
        TableOffset(&T::ReplaceWord),
        TableOffset(&T::ReplaceWords),
        TableOffset(&T::ItemCount),
        TableOffset(&T::FindItems),
        TableOffset(&T::Item),
        TableOffset(&T::Items),
        TableOffset(&T::ReplaceItem),
        TableOffset(&T::ReplaceItems),
        TableOffset(&T::GroupCount),
        TableOffset(&T::FindGroups),
        TableOffset(&T::Group),
        TableOffset(&T::Groups),
        TableOffset(&T::ReplaceGroup),
        TableOffset(&T::ReplaceGroups),
        TableOffset(static_cast<void (T::*)(const char*)>(&T::Trim)),
        TableOffset(static_cast<void (T::*)(const char*, const char*)>(&T::Trim)),
        TableOffset(&T::FormatV),
        TableOffset(&T::FormatMessageId),
        TableOffset(&T::Format),
        TableOffset(&T::ToInt),
        TableOffset(&T::ToHex),
        TableOffset(&T::Compact),
        TableOffset(&T::Reset),
        TableOffset(&T::ReplaceAll),
        TableOffset(&T::CountOf),
    });
}

}  // namespace
