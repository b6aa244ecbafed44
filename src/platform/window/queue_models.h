#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QTreeView>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window/queue.h"

namespace quillon::window {

// A queue field as a list shows it: texts without trailing blanks, numbers in decimal.
inline QString FieldText(const std::string& text) {
    const std::string_view shown = TrimTrailingBlanks(text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}
template <std::integral T>
QString FieldText(T number) {
    return QString::number(number);
}

// Models that show a queue: a row of the model is a record of the queue, and a selected row
// stands for a position in the queue.
class QueueRows {
public:
    virtual ~QueueRows() = default;
    // Queue position of a model index, 0 for none.
    virtual int PositionOf(const QModelIndex& index) const = 0;
    // Model index (first column) of a queue position; invalid when there is no such record.
    virtual QModelIndex IndexOf(int position) const = 0;
};

// A queue shown as a list with columns. Icons are numbered from 1 (the list's icon table); a
// column's icon field gives each row's number, 0 for none.
class QueueListModelBase : public QAbstractTableModel, public QueueRows {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetIcons(std::vector<QIcon> icons);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    int PositionOf(const QModelIndex& index) const override;
    QModelIndex IndexOf(int position) const override;

protected:
    virtual int RecordCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual QString Text(int position, int column) const = 0;
    virtual int IconNumber(int position, int column) const = 0;

    void Reset();
    void Appended(int position);
    void Changed(int position);

private:
    std::vector<QIcon> icons_;
    std::vector<QString> headers_;
};

template <class Record>
struct ListColumn {
    std::function<QString(const Record&)> text;
    std::function<int(const Record&)> icon;  // may be empty: no icon
};

// A column that shows one field, optionally preceded by the icon numbered by another field.
template <class Record, class Field>
ListColumn<Record> FieldColumn(Field Record::*field) {
    return {[field](const Record& r) { return FieldText(r.*field); }, {}};
}
template <class Record, class Field, class IconField>
ListColumn<Record> FieldColumn(Field Record::*field, IconField Record::*icon) {
    return {[field](const Record& r) { return FieldText(r.*field); },
            [icon](const Record& r) { return static_cast<int>(r.*icon); }};
}

// Keeps a model in step with its queue; the queue may go first.
template <class Record, class Base>
class QueueBoundModel : public Base, private QueueObserver {
public:
    ~QueueBoundModel() override {
        if (queue_ != nullptr) {
            queue_->RemoveObserver(this);
        }
    }

protected:
    QueueBoundModel(Queue<Record>& queue, QObject* parent) : Base(parent), queue_(&queue) {
        queue_->AddObserver(this);
    }

    Queue<Record>* queue() const { return queue_; }
    const Record* Row(int position) const {
        return queue_ != nullptr ? queue_->At(position) : nullptr;
    }
    int RecordCount() const override { return queue_ != nullptr ? queue_->Records() : 0; }

private:
    void QueueReset() override { this->Reset(); }
    void RecordAppended(int position) override { this->Appended(position); }
    void RecordChanged(int position) override { this->Changed(position); }
    void QueueDestroyed() override {
        queue_ = nullptr;
        this->Reset();
    }

    Queue<Record>* queue_;
};

template <class Record>
class QueueListModel final : public QueueBoundModel<Record, QueueListModelBase> {
public:
    QueueListModel(Queue<Record>& queue, std::vector<ListColumn<Record>> columns,
                   QObject* parent = nullptr)
        : QueueBoundModel<Record, QueueListModelBase>(queue, parent),
          columns_(std::move(columns)) {}

protected:
    int ColumnCount() const override { return static_cast<int>(columns_.size()); }
    QString Text(int position, int column) const override {
        const Record* r = this->Row(position);
        return r != nullptr ? columns_[static_cast<std::size_t>(column)].text(*r) : QString();
    }
    int IconNumber(int position, int column) const override {
        const Record* r = this->Row(position);
        const auto& icon = columns_[static_cast<std::size_t>(column)].icon;
        return r != nullptr && icon ? icon(*r) : 0;
    }

private:
    std::vector<ListColumn<Record>> columns_;
};

// A queue shown as a tree by its level field: the absolute value is the depth (1 = top), a
// negative value closes the row. A row's parent is the nearest row before it that is less
// deep. Bound to a QTreeView, the view opens and closes rows as their levels say, and a row
// the user opens or closes gets its level written back.
class QueueTreeModelBase : public QAbstractItemModel, public QueueRows {
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;

    void SetIcons(std::vector<QIcon> icons);
    // Follows and sets the open state of the rows in `view`, which must show this model.
    void BindView(QTreeView* view);

    QModelIndex index(int row, int column, const QModelIndex& parent) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    int PositionOf(const QModelIndex& index) const override;
    QModelIndex IndexOf(int position) const override;

protected:
    virtual int RecordCount() const = 0;
    virtual std::int32_t Level(int position) const = 0;
    virtual void WriteLevel(int position, std::int32_t level) = 0;
    virtual QString Text(int position) const = 0;
    virtual int IconNumber(int position) const = 0;

    void Reset();
    void Appended(int position);
    void Changed(int position);

private:
    static int Depth(std::int32_t level);
    void Rebuild();
    int ParentFor(int position) const;
    void SyncOpenState(int position);
    void SyncAllOpenStates();
    void UserOpened(const QModelIndex& index, bool open);

    std::vector<QIcon> icons_;
    QString header_;
    // Index 0 stands for the invisible root; positions are 1-based.
    std::vector<int> parent_{0};
    std::vector<int> rowInParent_{0};
    std::vector<int> depth_{0};
    std::vector<std::vector<int>> children_{{}};
    QPointer<QTreeView> view_;
    bool syncing_ = false;
};

template <class Record, class TextField, class IconField>
class QueueTreeModel final : public QueueBoundModel<Record, QueueTreeModelBase> {
public:
    QueueTreeModel(Queue<Record>& queue, TextField Record::*text, IconField Record::*icon,
                   std::int32_t Record::*level, QObject* parent = nullptr)
        : QueueBoundModel<Record, QueueTreeModelBase>(queue, parent),
          text_(text),
          icon_(icon),
          level_(level) {
        this->Reset();
    }

protected:
    std::int32_t Level(int position) const override {
        const Record* r = this->Row(position);
        return r != nullptr ? r->*level_ : 0;
    }
    void WriteLevel(int position, std::int32_t level) override {
        Queue<Record>* q = this->queue();
        if (q == nullptr) {
            return;
        }
        if (auto r = q->Get(position)) {
            (*r).*level_ = level;
            q->Put(position, std::move(*r));
        }
    }
    QString Text(int position) const override {
        const Record* r = this->Row(position);
        return r != nullptr ? FieldText(r->*text_) : QString();
    }
    int IconNumber(int position) const override {
        const Record* r = this->Row(position);
        return r != nullptr ? static_cast<int>(r->*icon_) : 0;
    }

private:
    TextField Record::*text_;
    IconField Record::*icon_;
    std::int32_t Record::*level_;
};

}  // namespace quillon::window
