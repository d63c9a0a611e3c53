#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "chat/MessageRows.h"

namespace tavik {
class MessageView;
}

namespace tavik::gui {

// The message list for a QTableView: the engine's rows, four columns in the
// engine's column order. Holds no copy of any text; every cell is converted
// when the view paints it, which is what keeps a flood of lines cheap.
//
// Every change of the engine's rows reaches the view at once, except while the
// updates are held (while the engine reads a socket): then the changes are only
// noted, and when the hold ends the view hears of them in one go, as the rows
// that came or went at the end and one change of every row's data. A full list
// taking a thousand rows is then one repaint instead of two thousand row
// moves, and of the marker's moves the view hears the last one. Rows then move
// under the view's selection without the view knowing; rowsShifted() asks the
// window to take the selection from the engine again.
class MessageListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The row's kind (a LineKind value) under this role.
    static constexpr int KindRole = Qt::UserRole + 1;

    explicit MessageListModel(tavik::MessageView& view, QObject* parent = nullptr);
    ~MessageListModel() override;
    MessageListModel(const MessageListModel&) = delete;
    MessageListModel& operator=(const MessageListModel&) = delete;

    // 12 pixel icons instead of 16; chosen once at start-up, before the view shows.
    void setSmallIcons(bool small);
    bool smallIcons() const { return m_smallIcons; }
    // Names in a colour of their own ("Farbige Namen"); whisper rows are tinted either way.
    void setColouredNames(bool on);
    // The 16 name colours and the whisper tint follow the desktop's palette, light or dark.
    void paletteChanged();

    // The engine's serial of a row (0: no row) and its kind, without a QVariant.
    std::uint64_t serialOf(int row) const;
    int kindOf(int row) const;
    // A cell's bytes as the engine holds them (empty: no such cell).
    std::string_view cellBytes(int row, int column) const;
    int textColumn() const;
    int nameColumn() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Holds may nest; the view catches up whenever one ends, and also from the
    // event loop, should a box or a dialog run one while a hold is on.
    void holdUpdates();
    void releaseUpdates();
    // Tells the view now what the engine changed since it last heard.
    void catchUp();
    // The serials of the rows whose cells changed where they stand (a row in
    // progress took more text) while the updates were held, since the last
    // call; `all` when too many to name.
    void takeRowsChangedInPlace(std::vector<std::uint64_t>& serials, bool& all);
    // True while catchUp() tells the view: a change of the view's selection then
    // is the view's doing, not the user's.
    bool catchingUp() const { return m_catchingUp; }

signals:
    // The marker (selected, focused row) is now `row`; `scrollTo` is to be made visible.
    void markerMoved(int row, int scrollTo);
    void rowSelectionChanged(int row, bool selected);
    // The Text column is to be sized to fit its contents.
    void autosizeTextColumn();
    // Rows came and went while the updates were held: the view's selection and
    // current row no longer sit on the rows the engine has marked.
    void rowsShifted();

private:
    // The engine's observer names clash with QAbstractItemModel's signals
    // (rowsInserted, modelReset) and with ours (markerMoved), so the model
    // listens through this member rather than inheriting the observer.
    class Listener final : public tavik::MessageRowsObserver {
    public:
        explicit Listener(MessageListModel& model) : m_model(model) {}
        void rowsAboutToBeInserted(int first, int count) override;
        void rowsInserted(int first, int count) override;
        void rowsAboutToBeRemoved(int first, int count) override;
        void rowsRemoved(int first, int count) override;
        void rowChanged(int row) override;
        void modelAboutToBeReset() override;
        void modelReset() override;
        void markerMoved(int row, int scrollTo) override;
        void selectionChanged(int row) override;
        void autosizeTextColumn() override;

    private:
        MessageListModel& m_model;
    };

    void loadIcons();
    bool held() const { return m_holds > 0; }
    // Notes a change made while held, and makes sure the event loop catches up.
    void noteChange(bool shifted);
    void noteChangedInPlace(std::uint64_t serial);

    tavik::MessageView& m_view;
    Listener m_listener{*this};
    bool m_smallIcons = false;
    bool m_colouredNames = true;
    std::array<QColor, 16> m_nameColours{};
    QColor m_whisperTint;
    std::array<QIcon, 9> m_icons;
    int m_shownRows = 0;  // the rows the view knows of
    int m_holds = 0;
    bool m_changed = false;
    bool m_shifted = false;
    bool m_autosizeWanted = false;
    std::optional<std::pair<int, int>> m_markerMove;  // the last one while held: row, row to show
    bool m_catchUpPosted = false;
    std::vector<std::uint64_t> m_changedInPlace;
    bool m_manyChangedInPlace = false;
    bool m_catchingUp = false;
};

}  // namespace tavik::gui
