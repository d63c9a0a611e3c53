#include "chat/ChatWatchDialog.h"

#include "chat/ChatWatch.h"
#include "net/Session.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

namespace {

constexpr std::size_t MaxRowName = 99;

ChatWatchDialog::Row rowOf(const NameEntry& e) {
    ChatWatchDialog::Row row;
    row.image = e.active != 0 ? ChatWatchDialog::ImagePresent : ChatWatchDialog::ImageAbsent;
    row.name = e.name;
    row.notify = e.optionB == 1 ? "einmal" : "immer";
    row.text = e.text;
    row.send = e.optionA == 1 ? "einmal" : "immer";
    row.chat = e.context;
    return row;
}

}  // namespace

ChatWatchDialog::ChatWatchDialog(Transport& transport, SessionList& sessions, ChatWatch& watch)
    : m_transport(transport), m_sessions(sessions), m_watch(watch) {
    m_name.setOnChanged([this] { changed(); });
    m_greeting.setOnChanged([this] { changed(); });
}

ChatWatchDialog::Batch::~Batch() {
    if (--m_dialog.m_batchDepth == 0 && m_dialog.m_changePending) m_dialog.changed();
}

void ChatWatchDialog::changed() {
    if (m_batchDepth > 0) {
        m_changePending = true;
        return;
    }
    m_changePending = false;
    if (m_onChanged) m_onChanged();
}

void ChatWatchDialog::resetFields() {
    const Batch batch(*this);
    m_name.setText("");
    m_greeting.setText("");
    setNotifyOnce(false);
    setSendOnce(true);
}

void ChatWatchDialog::setNotifyOnce(bool on) {
    if (m_notifyOnce == on) return;
    m_notifyOnce = on;
    changed();
}

void ChatWatchDialog::setSendOnce(bool on) {
    if (m_sendOnce == on) return;
    m_sendOnce = on;
    changed();
}

void ChatWatchDialog::open() {
    const Batch batch(*this);
    m_rows.clear();
    // Every row goes in at the top, the ones made here as well as those of
    // "Add / Change" later, so the walk's last entry ends up first.
    for (const NameEntry& e : m_watch.list())
        m_rows.insert(m_rows.begin(), rowOf(e));
    m_changePending = true;
    resetFields();
}

void ChatWatchDialog::removeRowOf(std::string_view name, std::string_view chat) {
    for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
        if (equalsIgnoreCase(it->name, name) && equalsIgnoreCase(it->chat, chat)) {
            m_rows.erase(it);
            m_changePending = true;
            return;
        }
    }
}

void ChatWatchDialog::clickRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
    const Row& shown = m_rows[static_cast<std::size_t>(row)];
    const std::string name(capped(shown.name, MaxRowName));
    // The row's own entry; looking must not make a stored entry of one that
    // belongs to a chat (it would be written to the file and watched everywhere).
    const NameEntry* e = m_watch.list().find(name, shown.chat, false);
    if (e == nullptr) return;
    const Batch batch(*this);
    m_name.setText(e->name);
    setNotifyOnce(e->optionB == 1);
    m_greeting.setText(e->text);
    setSendOnce(e->optionA == 1);
}

void ChatWatchDialog::addOrChange() {
    // A remark after a blank is not part of the name; the list stores names cut there.
    const std::string name(cutAtBlank(capped(m_name.text(), MaxName)));
    if (name.empty()) return;
    const Batch batch(*this);
    ChatWatch& watch = m_watch;
    // An empty list takes the name as its first entry; addOrRefresh does both.
    const bool isNew = watch.list().addOrRefresh(name);
    if (NameEntry* e = watch.list().find(name, "", true)) {
        e->optionB = m_notifyOnce ? 1 : 0;
        e->setText(m_greeting.text());
        e->optionA = m_sendOnce ? 1 : 0;
    }
    resetFields();
    // A failed save shows a message box, whose loop may deliver socket events
    // that change the list: the entry is looked up again afterwards.
    watch.save();
    if (!isNew) removeRowOf(name, "");
    if (const NameEntry* e = watch.list().find(name, "", false)) {
        m_rows.insert(m_rows.begin(), rowOf(*e));
        m_changePending = true;
    }
}

void ChatWatchDialog::remove(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
    const std::string name(capped(m_rows[static_cast<std::size_t>(row)].name, MaxName));
    const std::string chat = m_rows[static_cast<std::size_t>(row)].chat;
    ChatWatch& watch = m_watch;
    // The entry the row shows, stored or of a chat; it may have gone while the
    // dialog was open (a "notify once" arrival).
    NameEntry* e = watch.list().find(name, chat, false);
    if (e == nullptr) return;
    const Batch batch(*this);
    watch.list().remove(e);
    watch.save();
    removeRowOf(name, chat);
}

void ChatWatchDialog::close() {
    // A fresh chatter list checks the edited watch list at once.
    sendTo(m_transport, m_sessions.currentSocket(), "/s\r");
}

}  // namespace tavik
