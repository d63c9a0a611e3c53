#include "MessageListModel.h"

#include <QGuiApplication>
#include <QPalette>
#include <cstddef>
#include <tuple>
#include <utility>

#include "Codec.h"
#include "Icons.h"
#include "chat/MessageView.h"
#include "chat/NameColour.h"

namespace tavik::gui {

namespace {
constexpr int Columns = static_cast<int>(std::tuple_size_v<decltype(tavik::MessageRow::cells)>);
}

MessageListModel::MessageListModel(tavik::MessageView& view, QObject* parent)
    : QAbstractTableModel(parent), m_view(view), m_shownRows(view.rows().count()) {
    loadIcons();
    paletteChanged();
    m_view.rows().addObserver(&m_listener);
}

void MessageListModel::setColouredNames(bool on) {
    if (on == m_colouredNames) return;
    m_colouredNames = on;
    if (const int rows = rowCount(); rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, Columns - 1), {Qt::ForegroundRole});
}

void MessageListModel::paletteChanged() {
    const QPalette palette = QGuiApplication::palette();
    const bool dark = palette.color(QPalette::Base).lightness() < 128;
    // Sixteen hues around the circle, saturated and dark enough to read on a
    // light base, lighter and softer on a dark one.
    for (int i = 0; i < tavik::NameColours; ++i) {
        const int hue = (i * 360 / tavik::NameColours + (i % 2) * 180) % 360;
        m_nameColours[static_cast<std::size_t>(i)] =
            dark ? QColor::fromHsl(hue, 200, 170) : QColor::fromHsl(hue, 220, 80);
    }
    // Whispers stand out from public rows without their icon.
    const QColor base = palette.color(QPalette::Base);
    const QColor mark = palette.color(QPalette::Highlight);
    const auto blend = [](int a, int b) { return (a * 82 + b * 18) / 100; };
    m_whisperTint = QColor(blend(base.red(), mark.red()), blend(base.green(), mark.green()),
                           blend(base.blue(), mark.blue()));
    if (const int rows = rowCount(); rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, Columns - 1), {Qt::ForegroundRole, Qt::BackgroundRole});
}

MessageListModel::~MessageListModel() {
    m_view.rows().removeObserver(&m_listener);
}

void MessageListModel::setSmallIcons(bool small) {
    if (small == m_smallIcons) return;
    m_smallIcons = small;
    loadIcons();
    if (const int rows = rowCount(); rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, 0), {Qt::DecorationRole});
}

void MessageListModel::loadIcons() {
    // Kept here so data() hands out a shared icon without any lookup.
    for (std::size_t kind = 0; kind < m_icons.size(); ++kind)
        m_icons[kind] = rowKindIcon(static_cast<int>(kind), m_smallIcons ? 12 : 16);
}

std::uint64_t MessageListModel::serialOf(int row) const {
    return m_view.rows().serial(row);
}

int MessageListModel::kindOf(int row) const {
    if (row < 0 || row >= m_view.rows().count()) return -1;
    return static_cast<int>(m_view.rows().kind(row));
}

std::string_view MessageListModel::cellBytes(int row, int column) const {
    if (row < 0 || row >= m_view.rows().count() || column < 0 || column >= Columns) return {};
    return m_view.rows().cell(row, column);
}

int MessageListModel::textColumn() const {
    return m_view.textColumn();
}

int MessageListModel::nameColumn() const {
    return m_view.nameColumn();
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shownRows;
}

int MessageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_view.rows().count()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return toQt(m_view.rows().cell(index.row(), index.column()));
        case Qt::DecorationRole: {
            if (index.column() != 0) return {};
            const auto kind = static_cast<std::size_t>(m_view.rows().kind(index.row()));
            return kind < m_icons.size() ? QVariant(m_icons[kind]) : QVariant();
        }
        case KindRole:
            return static_cast<int>(m_view.rows().kind(index.row()));
        case Qt::ForegroundRole: {
            if (!m_colouredNames || index.column() != m_view.nameColumn()) return {};
            const int colour = tavik::nameColourIndex(m_view.rows().cell(index.row(), index.column()));
            return colour < 0 ? QVariant() : QVariant(m_nameColours[static_cast<std::size_t>(colour)]);
        }
        case Qt::BackgroundRole: {
            const tavik::LineKind kind = m_view.rows().kind(index.row());
            if (kind != tavik::LineKind::WhisperIn && kind != tavik::LineKind::WhisperOut) return {};
            return m_whisperTint;
        }
        default:
            return {};
    }
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const auto& columns = m_view.columns();
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(columns.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    return toQt(columns[static_cast<std::size_t>(section)].title);
}

void MessageListModel::noteChangedInPlace(std::uint64_t serial) {
    if (m_manyChangedInPlace) return;
    if (m_changedInPlace.size() >= 256) {
        m_manyChangedInPlace = true;
        m_changedInPlace.clear();
    } else if (m_changedInPlace.empty() || m_changedInPlace.back() != serial) {
        // A row in progress takes text again and again: it is named once in a row.
        m_changedInPlace.push_back(serial);
    }
}

void MessageListModel::takeRowsChangedInPlace(std::vector<std::uint64_t>& serials, bool& all) {
    all = all || std::exchange(m_manyChangedInPlace, false);
    serials.insert(serials.end(), m_changedInPlace.begin(), m_changedInPlace.end());
    m_changedInPlace.clear();
}

void MessageListModel::holdUpdates() {
    ++m_holds;
}

void MessageListModel::releaseUpdates() {
    if (m_holds > 0) --m_holds;
    catchUp();
}

void MessageListModel::noteChange(bool shifted) {
    m_changed = true;
    m_shifted = m_shifted || shifted;
    if (m_catchUpPosted) return;
    m_catchUpPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_catchUpPosted = false;
            catchUp();
        },
        Qt::QueuedConnection);
}

void MessageListModel::catchUp() {
    if (!m_changed || m_catchingUp) return;
    m_catchingUp = true;
    m_changed = false;
    const bool shifted = std::exchange(m_shifted, false);
    // The view keeps its rows where they are: rows more or fewer than it knew
    // of are told as rows added or dropped at the end, and what the rows hold
    // as one change of all of them.
    const int rows = m_view.rows().count();
    if (rows > m_shownRows) {
        beginInsertRows(QModelIndex(), m_shownRows, rows - 1);
        m_shownRows = rows;
        endInsertRows();
    } else if (rows < m_shownRows) {
        beginRemoveRows(QModelIndex(), rows, m_shownRows - 1);
        m_shownRows = rows;
        endRemoveRows();
    }
    if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, Columns - 1));
    m_catchingUp = false;
    if (shifted) emit rowsShifted();
    if (const auto move = std::exchange(m_markerMove, std::nullopt))
        emit markerMoved(move->first, move->second);
    if (std::exchange(m_autosizeWanted, false)) emit autosizeTextColumn();
}

// Not held, the engine announces every change before and after making it,
// exactly as Qt wants to hear it, so each call maps onto one begin/end call.

void MessageListModel::Listener::rowsAboutToBeInserted(int first, int count) {
    if (m_model.held()) {
        m_model.noteChange(true);
        return;
    }
    m_model.catchUp();
    m_model.beginInsertRows(QModelIndex(), first, first + count - 1);
}

void MessageListModel::Listener::rowsInserted(int /*first*/, int /*count*/) {
    if (m_model.held()) return;
    m_model.m_shownRows = m_model.m_view.rows().count();
    m_model.endInsertRows();
}

void MessageListModel::Listener::rowsAboutToBeRemoved(int first, int count) {
    if (m_model.held()) {
        m_model.noteChange(true);
        return;
    }
    m_model.catchUp();
    m_model.beginRemoveRows(QModelIndex(), first, first + count - 1);
}

void MessageListModel::Listener::rowsRemoved(int /*first*/, int /*count*/) {
    if (m_model.held()) return;
    m_model.m_shownRows = m_model.m_view.rows().count();
    m_model.endRemoveRows();
}

void MessageListModel::Listener::rowChanged(int row) {
    if (m_model.held()) {
        m_model.noteChangedInPlace(m_model.serialOf(row));
        m_model.noteChange(false);
        return;
    }
    m_model.catchUp();
    // No role list: an empty QList costs nothing, a filled one an allocation per line.
    emit m_model.dataChanged(m_model.index(row, 0), m_model.index(row, Columns - 1));
}

void MessageListModel::Listener::modelAboutToBeReset() {
    if (m_model.held()) {
        m_model.noteChange(true);
        return;
    }
    m_model.catchUp();
    m_model.beginResetModel();
}

void MessageListModel::Listener::modelReset() {
    if (m_model.held()) return;
    m_model.m_shownRows = m_model.m_view.rows().count();
    m_model.endResetModel();
}

void MessageListModel::Listener::markerMoved(int row, int scrollTo) {
    if (m_model.held()) {
        // A flood moves the marker with every row: the view hears of the last move.
        m_model.m_markerMove = {row, scrollTo};
        m_model.noteChange(false);
        return;
    }
    m_model.catchUp();
    emit m_model.markerMoved(row, scrollTo);
}

void MessageListModel::Listener::selectionChanged(int row) {
    const tavik::MessageRows& rows = m_model.m_view.rows();
    if (row < 0 || row >= rows.count()) return;
    emit m_model.rowSelectionChanged(row, rows.row(row).selected);
}

void MessageListModel::Listener::autosizeTextColumn() {
    if (m_model.held()) {
        // Sized once, when the view has caught up.
        m_model.m_autosizeWanted = true;
        m_model.noteChange(false);
        return;
    }
    emit m_model.autosizeTextColumn();
}

}  // namespace tavik::gui
