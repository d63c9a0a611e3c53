#pragma once

#include <string>
#include <string_view>

namespace tavik {

// Shown in the title and in the About box.
inline constexpr std::string_view BuildDate = "Jan 19 2002";

// The main window's title: build date, own nick (at most 99 characters) and the
// number of chatters the server listed last.
std::string composeTitle(std::string_view ownNick, int chatterCount);
// The same into `out`, reusing its storage.
void composeTitle(std::string& out, std::string_view ownNick, int chatterCount);

}  // namespace tavik
