#pragma once

#include <string>
#include <string_view>

#include "config/Options.h"
#include "net/LineKind.h"

namespace tavik {

// What a screen reader says of one message row: one German sentence instead
// of four cells, so that a row is heard as a chatter would tell it. Every text
// here is Windows-1252, in and out.
//
//   WhisperIn   "Flüstern von Anna, 12:03: Hallo"
//   WhisperOut  "Flüstern an Anna, 12:03: Hallo"
//   Public      "Anna, öffentlich, 12:03: Hallo"
//   Event       "Ereignis, 12:03: Anna betritt den Channel."
//   Plain       "Server, 12:03: Willkommen"
//   Notice      "Hinweis: Du bist im Channel Lobby."
//   Alert       "Meldung: Anna hat den Chat betreten."
//   InProgress  "Wird empfangen: Gib Deinen Na"
// Blanks around the cells (a wrapped piece begins with one, an empty name is
// a blank) are not read; a missing time or text leaves its part out.
struct RowCells {
    LineKind kind = LineKind::Filler;
    std::string_view name;
    std::string_view time;
    std::string_view text;
};

std::string rowSentence(const RowCells& row);

// Rows that say nothing: the blank rows that keep the list at its 500 rows,
// and any row whose name and text are both blank (an in-progress row before
// its first byte). A screen reader is not shown them.
bool isFillerRow(const RowCells& row);

// Whether a new row is told to the screen reader as it arrives, by the option
// "Ansagen": whispers received, the client's own notices (a watched chatter
// has come, a connection was lost), or every row that says something.
bool isAnnounced(const AnnounceRows& option, const RowCells& row);

}  // namespace tavik
