#include "platform/window/queue_models.h"

#include <cstdlib>

namespace quillon::window {
namespace {

QVariant IconFromTable(const std::vector<QIcon>& icons, int number) {
    if (number < 1 || number > static_cast<int>(icons.size())) {
        return {};
    }
    return icons[static_cast<std::size_t>(number - 1)];
}

}  // namespace

// ---- list ----

void QueueListModelBase::SetIcons(std::vector<QIcon> icons) {
    icons_ = std::move(icons);
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::DecorationRole});
    }
}

int QueueListModelBase::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RecordCount();
}

int QueueListModelBase::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant QueueListModelBase::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int position = index.row() + 1;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return Text(position, index.column());
        case Qt::DecorationRole:
            return IconFromTable(icons_, IconNumber(position, index.column()));
        default:
            return {};
    }
}

QVariant QueueListModelBase::headerData(int section, Qt::Orientation orientation, int role) const {
    // Lists have no header texts unless their format gives some.
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(headers_.size())) {
        return {};
    }
    return headers_[static_cast<std::size_t>(section)];
}

bool QueueListModelBase::setHeaderData(int section, Qt::Orientation orientation,
                                       const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) ||
        section < 0 || section >= columnCount()) {
        return false;
    }
    if (static_cast<int>(headers_.size()) <= section) {
        headers_.resize(static_cast<std::size_t>(section) + 1);
    }
    headers_[static_cast<std::size_t>(section)] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

int QueueListModelBase::PositionOf(const QModelIndex& index) const {
    return index.isValid() && index.model() == this ? index.row() + 1 : 0;
}

QModelIndex QueueListModelBase::IndexOf(int position) const {
    return position >= 1 && position <= RecordCount() ? index(position - 1, 0) : QModelIndex();
}

void QueueListModelBase::Reset() {
    beginResetModel();
    endResetModel();
}

void QueueListModelBase::Appended(int position) {
    beginInsertRows(QModelIndex(), position - 1, position - 1);
    endInsertRows();
}

void QueueListModelBase::Changed(int position) {
    emit dataChanged(index(position - 1, 0), index(position - 1, columnCount() - 1));
}

// ---- tree ----

void QueueTreeModelBase::SetIcons(std::vector<QIcon> icons) {
    emit layoutAboutToBeChanged();
    icons_ = std::move(icons);
    emit layoutChanged();
}

void QueueTreeModelBase::BindView(QTreeView* view) {
    view_ = view;
    connect(view, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { UserOpened(index, true); });
    connect(view, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { UserOpened(index, false); });
    SyncAllOpenStates();
}

QModelIndex QueueTreeModelBase::index(int row, int column, const QModelIndex& parent) const {
    const int owner = parent.isValid() ? static_cast<int>(parent.internalId()) : 0;
    if (column != 0 || owner < 0 || owner >= static_cast<int>(children_.size())) {
        return {};
    }
    const std::vector<int>& rows = children_[static_cast<std::size_t>(owner)];
    if (row < 0 || row >= static_cast<int>(rows.size())) {
        return {};
    }
    return createIndex(row, column, static_cast<quintptr>(rows[static_cast<std::size_t>(row)]));
}

QModelIndex QueueTreeModelBase::parent(const QModelIndex& child) const {
    if (!child.isValid()) {
        return {};
    }
    const int owner = parent_[child.internalId()];
    if (owner == 0) {
        return {};
    }
    return createIndex(rowInParent_[static_cast<std::size_t>(owner)], 0,
                       static_cast<quintptr>(owner));
}

int QueueTreeModelBase::rowCount(const QModelIndex& parent) const {
    const auto owner = parent.isValid() ? static_cast<std::size_t>(parent.internalId()) : 0u;
    return owner < children_.size() ? static_cast<int>(children_[owner].size()) : 0;
}

int QueueTreeModelBase::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant QueueTreeModelBase::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int position = static_cast<int>(index.internalId());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return Text(position);
        case Qt::DecorationRole:
            return IconFromTable(icons_, IconNumber(position));
        default:
            return {};
    }
}

QVariant QueueTreeModelBase::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section != 0) {
        return {};
    }
    return header_;
}

bool QueueTreeModelBase::setHeaderData(int section, Qt::Orientation orientation,
                                       const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) ||
        section != 0) {
        return false;
    }
    header_ = value.toString();
    emit headerDataChanged(orientation, 0, 0);
    return true;
}

int QueueTreeModelBase::PositionOf(const QModelIndex& index) const {
    return index.isValid() && index.model() == this ? static_cast<int>(index.internalId()) : 0;
}

QModelIndex QueueTreeModelBase::IndexOf(int position) const {
    if (position < 1 || position >= static_cast<int>(parent_.size())) {
        return {};
    }
    return createIndex(rowInParent_[static_cast<std::size_t>(position)], 0,
                       static_cast<quintptr>(position));
}

int QueueTreeModelBase::Depth(std::int32_t level) {
    // A level of 0 is read as the top.
    return level == 0 ? 1 : std::abs(level);
}

int QueueTreeModelBase::ParentFor(int position) const {
    // Walk up from the row before: the first ancestor-or-self less deep is the parent.
    const int depth = depth_[static_cast<std::size_t>(position)];
    int candidate = position - 1;
    while (candidate != 0 && depth_[static_cast<std::size_t>(candidate)] >= depth) {
        candidate = parent_[static_cast<std::size_t>(candidate)];
    }
    return candidate;
}

void QueueTreeModelBase::Rebuild() {
    const int count = RecordCount();
    parent_.assign(static_cast<std::size_t>(count) + 1, 0);
    rowInParent_.assign(static_cast<std::size_t>(count) + 1, 0);
    depth_.assign(static_cast<std::size_t>(count) + 1, 0);
    children_.assign(static_cast<std::size_t>(count) + 1, {});
    for (int p = 1; p <= count; ++p) {
        const auto i = static_cast<std::size_t>(p);
        depth_[i] = Depth(Level(p));
        const int owner = ParentFor(p);
        parent_[i] = owner;
        auto& siblings = children_[static_cast<std::size_t>(owner)];
        rowInParent_[i] = static_cast<int>(siblings.size());
        siblings.push_back(p);
    }
}

void QueueTreeModelBase::Reset() {
    beginResetModel();
    Rebuild();
    endResetModel();
    SyncAllOpenStates();
}

void QueueTreeModelBase::Appended(int position) {
    const auto i = static_cast<std::size_t>(position);
    if (i != parent_.size()) {
        Reset();  // not at the end: rebuild everything
        return;
    }
    parent_.push_back(0);
    rowInParent_.push_back(0);
    depth_.push_back(Depth(Level(position)));
    children_.emplace_back();
    const int owner = ParentFor(position);
    auto& siblings = children_[static_cast<std::size_t>(owner)];
    const int row = static_cast<int>(siblings.size());
    beginInsertRows(owner == 0 ? QModelIndex() : IndexOf(owner), row, row);
    parent_[i] = owner;
    rowInParent_[i] = row;
    siblings.push_back(position);
    endInsertRows();
    SyncOpenState(position);
    if (owner != 0 && siblings.size() == 1) {
        SyncOpenState(owner);  // a parent whose first child arrived
    }
}

void QueueTreeModelBase::Changed(int position) {
    if (position < 1 || position >= static_cast<int>(depth_.size())) {
        return;
    }
    if (Depth(Level(position)) != depth_[static_cast<std::size_t>(position)]) {
        Reset();  // the shape of the tree changed
        return;
    }
    const QModelIndex at = IndexOf(position);
    emit dataChanged(at, at);
    SyncOpenState(position);
}

void QueueTreeModelBase::SyncOpenState(int position) {
    if (view_.isNull() || syncing_) {
        return;
    }
    syncing_ = true;
    view_->setExpanded(IndexOf(position), Level(position) > 0);
    syncing_ = false;
}

void QueueTreeModelBase::SyncAllOpenStates() {
    if (view_.isNull() || syncing_) {
        return;
    }
    syncing_ = true;
    const int count = RecordCount();
    for (int p = 1; p <= count; ++p) {
        if (!children_[static_cast<std::size_t>(p)].empty()) {
            view_->setExpanded(IndexOf(p), Level(p) > 0);
        }
    }
    syncing_ = false;
}

void QueueTreeModelBase::UserOpened(const QModelIndex& index, bool open) {
    if (syncing_) {
        return;
    }
    const int position = PositionOf(index);
    if (position == 0) {
        return;
    }
    const std::int32_t level = Level(position);
    const std::int32_t wanted = open ? Depth(level) : -Depth(level);
    if (wanted != level) {
        WriteLevel(position, wanted);
    }
}

}  // namespace quillon::window
