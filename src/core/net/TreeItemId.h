#pragma once

#include <cstdint>

namespace tavik {

// Handle of an item of the chatter tree; 0 is "none". Handles are never reused,
// so a handle kept after its item was removed simply finds nothing.
using TreeItemId = std::uint64_t;
constexpr TreeItemId NoItem = 0;

}  // namespace tavik
