#include "Accessibility.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyle>
#include <QTabBar>
#include <QWindow>
#include <vector>

#include "Announcer.h"
#include "MessageListAccessible.h"
#include "MessageListView.h"

namespace tavik::gui {

namespace {

// A menu entry whose label carries its key after a tab ("ChatWatch\tCtrl+W"):
// Qt's own entry would read the tab and the key as part of the name. Here the
// name is the part before the tab, without the "&" of the mnemonic, and the
// part after it is the entry's shortcut. Everything else is as Qt's entry.
class MenuEntryAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MenuEntryAccessible(QWidget* owner, QAction* action) : m_owner(owner), m_action(action) {}

    bool isValid() const override { return !m_owner.isNull() && !m_action.isNull(); }
    QObject* object() const override { return m_action; }
    QWindow* window() const override {
        return m_owner.isNull() ? nullptr : m_owner->window()->windowHandle();
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_owner.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        const QString label = m_action->text();
        const qsizetype tab = label.indexOf(QLatin1Char('\t'));
        if (t == QAccessible::Name) {
            QString name = label.left(tab);
            // "&&" is a shown "&"; a single "&" marks the mnemonic.
            name.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
            name.remove(QLatin1Char('&'));
            name.replace(QLatin1Char('\x01'), QLatin1Char('&'));
            return name;
        }
        if (t == QAccessible::Accelerator) return tab < 0 ? QString() : label.mid(tab + 1);
        return {};
    }
    QRect rect() const override {
        if (!isValid()) return {};
        QRect r;
        if (auto* menu = qobject_cast<QMenu*>(m_owner.data())) r = menu->actionGeometry(m_action);
        return r.translated(m_owner->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        if (!m_owner->testAttribute(Qt::WA_WState_Visible) || !m_action->isVisible()) s.invisible = true;
        if (auto* menu = qobject_cast<QMenu*>(m_owner.data());
            menu != nullptr && menu->activeAction() == m_action)
            s.focused = true;
        if (m_owner->style()->styleHint(QStyle::SH_Menu_MouseTracking)) s.hotTracked = true;
        if (!m_action->isEnabled()) s.disabled = true;
        if (m_action->isCheckable()) s.checkable = true;
        if (m_action->isChecked()) s.checked = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction() && m_action->isEnabled()) m_action->trigger();
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        const QString key = text(QAccessible::Accelerator);
        if (name != pressAction() || key.isEmpty()) return {};
        return {key};
    }

private:
    QPointer<QWidget> m_owner;
    QPointer<QAction> m_action;
};

// One tab of the tab strip.
class TabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TabAccessible(QTabBar* bar, int index) : m_bar(bar), m_index(index) {}

    bool isValid() const override { return !m_bar.isNull() && m_index < m_bar->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_bar.isNull() ? nullptr : m_bar->window()->windowHandle(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_bar.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    void setText(QAccessible::Text, const QString&) override {}
    QString text(QAccessible::Text t) const override {
        if (!isValid() || t != QAccessible::Name) return {};
        return m_bar->tabText(m_index);
    }
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = m_bar->tabRect(m_index);
        return QRect(m_bar->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        const bool current = m_bar->currentIndex() == m_index;
        s.selected = current;
        s.focused = current && m_bar->hasFocus();
        if (!m_bar->isVisible() || m_bar->tabRect(m_index).intersected(m_bar->rect()).isEmpty())
            s.invisible = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction()) m_bar->setCurrentIndex(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QTabBar> m_bar;
    int m_index;
};

// The tab strip by its own name ("Verbindungen"); Qt's would read the
// current tab's label in its place. Its children are the tabs, numbered as
// the tab bar numbers them in its own focus events.
class TabStripAccessible : public QAccessibleWidget {
public:
    explicit TabStripAccessible(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabStripAccessible() override {
        for (const QAccessible::Id id : m_tabs)
            QAccessible::deleteAccessibleInterface(id);
    }
    TabStripAccessible(const TabStripAccessible&) = delete;
    TabStripAccessible& operator=(const TabStripAccessible&) = delete;

    QTabBar* bar() const { return static_cast<QTabBar*>(widget()); }
    QString text(QAccessible::Text t) const override {
        const QString own = QAccessibleWidget::text(t);
        // A bar without a name of its own is read by its current tab, as Qt reads it.
        if (t == QAccessible::Name && own.isEmpty()) return bar()->tabText(bar()->currentIndex());
        return own;
    }
    int childCount() const override { return bar()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= bar()->count()) return nullptr;
        while (static_cast<int>(m_tabs.size()) <= index) {
            m_tabs.push_back(QAccessible::registerAccessibleInterface(
                new TabAccessible(bar(), static_cast<int>(m_tabs.size()))));
        }
        return QAccessible::accessibleInterface(m_tabs[static_cast<std::size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < m_tabs.size(); ++i) {
            if (QAccessible::accessibleInterface(m_tabs[i]) == child && static_cast<int>(i) < bar()->count())
                return static_cast<int>(i);
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(bar()->tabAt(bar()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface* focusChild() const override {
        return bar()->hasFocus() ? child(bar()->currentIndex()) : nullptr;
    }

private:
    mutable std::vector<QAccessible::Id> m_tabs;  // by index; a tab's item reads whatever tab has its index
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QStringLiteral("QTabBar") && object->isWidgetType())
        return new TabStripAccessible(static_cast<QTabBar*>(object));
    if (className == QLatin1String(Announcer::staticMetaObject.className()) && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    if (className == QLatin1String(MessageListView::staticMetaObject.className()) && object->isWidgetType())
        return new MessageListAccessible(static_cast<QAbstractItemView*>(object));
    if (className == QStringLiteral("QAction")) {
        auto* action = static_cast<QAction*>(object);
        if (!action->text().contains(QLatin1Char('\t'))) return nullptr;
        for (QObject* owner : action->associatedObjects()) {
            if (auto* menu = qobject_cast<QMenu*>(owner)) return new MenuEntryAccessible(menu, action);
        }
    }
    return nullptr;
}

QAccessible::UpdateHandler previousHandler = nullptr;

// The table under the message list tells its focus and selection by cells,
// numbered as table cells; the list's items are rows, and the list tells
// them itself (MessageListAccessible::tellCurrent). The table's own events
// about it go nowhere.
void updateHandler(QAccessibleEvent* event) {
    if (qobject_cast<MessageListView*>(event->object()) != nullptr) {
        switch (event->type()) {
            case QAccessible::Focus:
            case QAccessible::Selection:
            case QAccessible::SelectionAdd:
            case QAccessible::SelectionRemove:
            case QAccessible::SelectionWithin:
                if (event->child() >= 0) return;
                break;
            case QAccessible::TableModelChanged:
                return;
            default:
                break;
        }
    }
    if (previousHandler != nullptr) {
        previousHandler(event);
        return;
    }
    // Qt's own road to the platform, which a handler replaces: for this one
    // event the handler steps aside.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&updateHandler);
}

}  // namespace

void installAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(&factory);
    previousHandler = QAccessible::installUpdateHandler(&updateHandler);
}

}  // namespace tavik::gui
