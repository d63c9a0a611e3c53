#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <array>

#include "chat/MessageRows.h"

namespace tavik {
class MessageView;
}

namespace tavik::gui {

// The message list for a QTableView: the engine's rows, four columns in the
// engine's column order. Holds no copy of any text; every cell is converted
// when the view paints it, which is what keeps a flood of lines cheap.
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

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // The marker (selected, focused row) is now `row`; `scrollTo` is to be made visible.
    void markerMoved(int row, int scrollTo);
    void rowSelectionChanged(int row, bool selected);
    // The Text column is to be sized to fit its contents.
    void autosizeTextColumn();

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

    tavik::MessageView& m_view;
    Listener m_listener{*this};
    bool m_smallIcons = false;
    std::array<QIcon, 9> m_icons;
};

}  // namespace tavik::gui
