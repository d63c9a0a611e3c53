#include "chat/MessageView.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "chat/LogFile.h"
#include "chat/Sound.h"
#include "chat/TextField.h"
#include "config/Settings.h"
#include "net/Escapes.h"
#include "net/Session.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "text/Text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavik {

namespace {

void twoDigits(char* out, int value) {
    value = std::clamp(value, 0, 99);
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
}

// A row's name and text, copied into one buffer on the stack when `wanted`
// (else the given views); only texts longer than any line from a server take
// the heap.
class RowCopy {
public:
    RowCopy(std::string_view name, std::string_view text, bool wanted) : m_name(name), m_text(text) {
        if (!wanted) return;
        char* out = m_small.data();
        if (name.size() + text.size() > m_small.size()) {
            m_large.resize(name.size() + text.size());
            out = m_large.data();
        }
        if (!name.empty()) std::memcpy(out, name.data(), name.size());
        if (!text.empty()) std::memcpy(out + name.size(), text.data(), text.size());
        m_name = std::string_view(out, name.size());
        m_text = std::string_view(out + name.size(), text.size());
    }
    RowCopy(const RowCopy&) = delete;
    RowCopy& operator=(const RowCopy&) = delete;

    std::string_view name() const { return m_name; }
    std::string_view text() const { return m_text; }

private:
    std::array<char, 1024> m_small;
    std::string m_large;
    std::string_view m_name;
    std::string_view m_text;
};

// Whether a row's Chat cell names `chat`: its first 99 characters, ignoring
// case. Mostly they are the same bytes, which is told without a call.
bool namesChat(const std::string& cell, std::string_view chat) {
    const std::string_view shown(cell.data(), std::min<std::size_t>(cell.size(), 99));
    if (shown.size() != chat.size()) return false;
    if (chat.size() >= 4 && chat.size() <= 16 &&
        MessageRows::sameShortText(shown.data(), chat.data(), chat.size())) {
        return true;
    }
    return equalsIgnoreCase(shown, chat);
}

// The last blank of a piece of WrapWidth bytes, or npos. Sixteen bytes at a
// time from the end, where a text's last blank mostly is: a byte loop would
// stop at a different byte each time.
std::size_t lastBlank(std::string_view piece) {
#if defined(__SSE2__)
    static_assert(MessageView::WrapWidth % 16 == 0);
    for (std::size_t at = MessageView::WrapWidth; at != 0;) {
        at -= 16;
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(piece.data() + at));
        const auto blanks =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(' '))));
        if (blanks != 0) return at + static_cast<std::size_t>(std::bit_width(blanks)) - 1;
    }
    return std::string_view::npos;
#else
    return piece.rfind(' ');
#endif
}

bool fillsWithName(LineKind kind) {
    return kind == LineKind::WhisperIn || kind == LineKind::WhisperOut || kind == LineKind::Alert;
}

}  // namespace

MessageView::MessageView(SessionList& sessions, const Clock& clock, const Settings& settings,
                         Desktop& desktop, Sound& sound, LogFile& log, TextField& recipientBox)
    : m_sessions(sessions),
      m_clock(clock),
      m_settings(settings),
      m_desktop(desktop),
      m_sound(sound),
      m_log(log),
      m_recipientBox(recipientBox) {
    m_nameColumn = addColumn("Name", 100);
    m_textColumn = addColumn("Text", 100);
    m_timeColumn = addColumn("Zeit", 100);
    m_chatColumn = addColumn("Chat", 100);
    m_rows.reserveCells(m_textColumn, WrapWidth);
}

int MessageView::addColumn(std::string_view title, int width) {
    if (m_columns.size() >= 4) return static_cast<int>(m_columns.size()) - 1;
    m_columns.push_back(Column{std::string(title), width == 0 ? 100 : width});
    return static_cast<int>(m_columns.size()) - 1;
}

void MessageView::setColumnWidth(int column, int width) {
    if (column < 0 || column >= static_cast<int>(m_columns.size())) return;
    m_columns[static_cast<std::size_t>(column)].width = width;
}

void MessageView::insert(int socket, std::string_view name, std::string_view text, LineKind kind,
                         RowOrigin origin) {
    // With the log on, every piece may open a box (a failed log write) whose
    // loop can end the session or deliver more lines: the pieces are then cut
    // from copies, never from the session's nick or the caller's buffers. The
    // copies live in this call's frame, so an insert from inside such a loop
    // has its own, and the session is looked up anew after each piece. Nothing
    // else a row does runs a loop: without the log, one lookup serves all pieces.
    const bool mayLoop = m_settings.logfile && !m_sideEffectsHeld && origin == RowOrigin::Chat;
    Session* session = m_sessions.findBySocket(socket);
    if (kind == LineKind::Plain && session != nullptr) name = session->nick;
    const RowCopy copy(name, text, mayLoop);
    name = copy.name();
    text = copy.text();
    // Each piece of a long text becomes a row of its own, with all side effects.
    while (text.size() > WrapWidth) {
        const std::string_view head = text.substr(0, WrapWidth);
        const auto blank = lastBlank(head);
        if (blank == std::string_view::npos || blank == 0) {
            // No blank, or only a leading one: cut hard, so every piece advances.
            insertRow(session, name, head, kind, origin);
            text.remove_prefix(WrapWidth);
        } else {
            // The blank starts the next piece.
            insertRow(session, name, text.substr(0, blank), kind, origin);
            text.remove_prefix(blank);
        }
        if (mayLoop) session = m_sessions.findBySocket(socket);
    }
    insertRow(session, name, text, kind, origin);
}

void MessageView::insertRow(Session* session, std::string_view name, std::string_view text, LineKind kind,
                            RowOrigin origin) {
    if (ignores(session, name)) return;
    if (name.empty()) name = " ";

    // Drop the oldest row first, so a view never sees a 501st row.
    while (m_rows.count() >= m_maxRows)
        m_rows.removeFirst();

    // "hh:mm", made anew when the minute changes.
    const LocalTime now = m_clock.now();
    if (now.hour != m_timeHour || now.minute != m_timeMinute) {
        m_timeHour = now.hour;
        m_timeMinute = now.minute;
        twoDigits(m_time.data(), now.hour);
        m_time[2] = ':';
        twoDigits(m_time.data() + 3, now.minute);
    }

    std::array<std::string_view, 4> cells;
    cells[static_cast<std::size_t>(m_nameColumn)] = name;
    cells[static_cast<std::size_t>(m_textColumn)] = text;
    cells[static_cast<std::size_t>(m_timeColumn)] = std::string_view(m_time.data(), m_time.size());
    cells[static_cast<std::size_t>(m_chatColumn)] =
        session != nullptr ? std::string_view(session->chatName) : std::string_view("Login");
    const int index = std::max(0, m_rows.count() - m_inProgressRows);
    if (kind == LineKind::InProgress) ++m_inProgressEpoch;
    m_rows.insert(index, kind, cells);

    const Settings& settings = m_settings;
    if (settings.autosize) m_rows.requestAutosize();
    if (kind == LineKind::InProgress || m_sideEffectsHeld) return;

    moveMarker(0, false);
    if (settings.autoTop) m_desktop.bringToFront();
    if (settings.sound) {
        m_sound.playWordSounds(text);
        if (!m_desktop.isForeground()) {
            m_desktop.stopSound();
            m_desktop.playSystemSound("CHORD.WAV");
        }
    }
    if (m_settings.logfile && origin == RowOrigin::Chat) m_log.write(name, text, kind);
}

bool MessageView::autoscroll() const {
    return m_settings.autoscroll;
}

void MessageView::fillRecipientBox(int row) {
    // The marked row's name, with "@" and its chat when AutoChatChange is on.
    std::string& text = m_recipientScratch;
    text.assign(capped(m_rows.cell(row, m_nameColumn), 239));
    const LineKind kind = m_rows.kind(row);
    if (Session* session = sessionOfRow(row); session != nullptr && m_settings.autoChatChange) {
        text += '@';
        text += session->chatName;
    }
    if (fillsWithName(kind)) {
        if (m_settings.autowhisper) m_recipientBox.setText(text);
        return;
    }
    const auto at = text.find('@');
    m_recipientBox.setText(at == std::string::npos ? std::string_view() : std::string_view(text).substr(at));
}

void MessageView::clear() {
    // The in-progress rows go too: the count must not stand for rows no longer there.
    m_inProgressRows = 0;
    ++m_inProgressEpoch;
    m_rows.clear();
    for (int i = 0; i < m_maxRows; ++i)
        m_rows.insert(0, LineKind::Filler, " ", " ", "", "");
    moveMarker(m_maxRows, true);
}

void MessageView::setMaxRows(int rows) {
    if (std::find(RowChoices.begin(), RowChoices.end(), rows) == RowChoices.end()) rows = MaxRows;
    if (rows == m_maxRows) return;
    m_maxRows = rows;
    // One slot more than rows: a new row comes in after the oldest has gone.
    m_rows.setCapacity(rows + 1, rows, LineKind::Filler, {" ", " ", "", ""});
    m_rows.reserveCells(m_textColumn, WrapWidth);
    m_inProgressRows = std::min(m_inProgressRows, m_rows.count());
    ++m_inProgressEpoch;
    // The view forgot its selection with the reset: the marker is told again.
    moveMarker(0, false);
}

Session* MessageView::sessionOfRow(int row) {
    if (row < 0 || row >= m_rows.count()) return nullptr;
    return m_sessions.findByChat(capped(m_rows.cell(row, m_chatColumn), 99));
}

void MessageView::showInProgress(Session& session, std::string_view text, std::string_view prefix) {
    // Neither part holds a line feed (the line would be complete), so the
    // stripper keeps all of them, cleaned as one text.
    m_progress.resize(prefix.size() + text.size());
    LineStripper stripper(m_progress.data());
    stripper.take(prefix.data(), prefix.size());
    stripper.take(text.data(), text.size());
    m_progress.resize(stripper.length());
    showCleanedInProgress(session, m_progress);
}

void MessageView::setInProgressText(Session& session, std::string_view cleaned) {
    // The lowest in-progress row of the session's chat (the cheap test first),
    // when no session before it in the list has the same chat name.
    const int lowest = std::max(0, m_rows.count() - m_inProgressRows);
    int row = m_rows.count() - 1;
    while (row >= lowest && !namesChat(m_rows.cell(row, m_chatColumn), session.chatName))
        --row;
    // A session without an in-progress row of its own shows nothing: the
    // rows at the bottom belong to other sessions.
    if (row < lowest || !m_sessions.isFirstOfItsChat(session)) return;
    m_rows.setCell(row, m_textColumn, cleaned);
    if (cleaned.empty()) {
        session.inProgressEmptyAt = m_inProgressEpoch;
    } else {
        inProgressTextSet();
    }
}

}  // namespace tavik
