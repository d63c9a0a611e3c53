#pragma once

#include <cstdint>

namespace tavik {

// Handle of an item of the chatter tree; 0 is "none". Handles are never reused,
// so a handle kept after its item was removed simply finds nothing.
using TreeItemId = std::uint64_t;
constexpr TreeItemId NoItem = 0;

// The three levels of the tree: a session's connection, its channels, their chatters.
enum class TreeItemType { Chatter = 1, Channel = 2, Connection = 3 };

}  // namespace tavik
