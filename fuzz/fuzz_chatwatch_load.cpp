// ChatWatch.cfg images of any version and length: parsing never reads past the
// bytes, every loaded entry can be looked up again, and the version-2 image of
// the stored entries parses back to the same entries.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chat/ChatWatch.h"

namespace {

using namespace tavik;

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

bool sameStoredEntry(const NameEntry& a, const NameEntry& b) {
    return a.active == b.active && a.stale == b.stale && a.optionA == b.optionA && a.optionB == b.optionB &&
           a.name == b.name && a.text == b.text && b.context.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::optional<NameList> parsed = ChatWatch::parse(bytes);
    if (!parsed) {
        if (size >= 4) violated("an image with a version word gave no list");
        return 0;
    }

    std::vector<const NameEntry*> stored;
    for (const NameEntry& e : *parsed) {
        if (e.name.size() > NameEntry::MaxName || e.text.size() > NameEntry::MaxText ||
            e.context.size() > NameEntry::MaxContext) {
            violated("a field longer than its bound");
        }
        // Names with a blank never come from the program; a lookup cuts at the blank.
        if (e.name.find(' ') == std::string::npos && parsed->find(e.name, e.context, false) == nullptr) {
            violated("a loaded entry is not found by its name and context");
        }
        if (e.context.empty()) stored.push_back(&e);
    }

    const std::string image = ChatWatch::serialize(*parsed);
    if (image.size() != 4 + stored.size() * ChatWatch::RecordSize) violated("image size");
    std::optional<NameList> again = ChatWatch::parse(image);
    if (!again || again->size() != stored.size()) violated("round trip changed the number of stored entries");
    std::size_t i = 0;
    for (const NameEntry& e : *again) {
        if (!sameStoredEntry(*stored[i++], e)) violated("round trip changed a stored entry");
    }
    if (ChatWatch::serialize(*again) != image) violated("the image of the round trip differs");
    return 0;
}
