#include "platform/window/list_format_view.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <optional>
#include <vector>

#include "platform/window/dialog_units.h"
#include "platform/window/list_format.h"

namespace quillon::window {
namespace {

Qt::Alignment AlignmentOf(char alignment) {
    switch (alignment) {
        case 'R':
        case 'D':
            return Qt::AlignRight | Qt::AlignVCenter;
        case 'C':
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// Draws the cells as the format says and remembers the format for reading it back.
class FormatDelegate final : public QStyledItemDelegate {
public:
    explicit FormatDelegate(QTreeView* view) : QStyledItemDelegate(view), view_(view) {}

    std::optional<ListFormat> format;
    std::vector<int> appliedPixels;  // section sizes given at the last apply
    int rowHeightUnits = 0;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (rowHeightUnits > 0) {
            size.setHeight(DialogUnits(view_->font()).ToPixelsY(rowHeightUnits));
        }
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const ColumnFormat* column = Column(index.column());
        if (column == nullptr) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell(option);
        cell.displayAlignment = AlignmentOf(column->alignment);
        const int indent = DialogUnits(view_->font()).ToPixelsX(column->indent);
        if (column->alignment == 'R' || column->alignment == 'D') {
            cell.rect.adjust(0, 0, -indent, 0);
        } else {
            cell.rect.adjust(indent, 0, 0, 0);
        }
        QStyledItemDelegate::paint(painter, cell, index);
        if (column->rightBorder || column->underline) {
            painter->save();
            painter->setPen(option.palette.color(QPalette::Mid));
            if (column->rightBorder) {
                painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            }
            if (column->underline) {
                painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            }
            painter->restore();
        }
    }

private:
    const ColumnFormat* Column(int column) const {
        if (!format || column < 0 || column >= static_cast<int>(format->columns().size())) {
            return nullptr;
        }
        return &format->columns()[static_cast<std::size_t>(column)];
    }

    QTreeView* view_;
};

FormatDelegate* DelegateOf(const QTreeView* view) {
    return dynamic_cast<FormatDelegate*>(view->itemDelegate());
}

FormatDelegate* EnsureDelegate(QTreeView* view) {
    FormatDelegate* delegate = DelegateOf(view);
    if (delegate == nullptr) {
        delegate = new FormatDelegate(view);  // owned by the view
        view->setItemDelegate(delegate);
    }
    return delegate;
}

}  // namespace

bool ApplyListFormat(QTreeView* view, std::string_view text) {
    std::optional<ListFormat> format = ListFormat::Parse(text);
    if (!format || view == nullptr) {
        return false;
    }
    FormatDelegate* delegate = EnsureDelegate(view);
    const DialogUnits units(view->font());
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    bool showHeader = false;
    delegate->appliedPixels.clear();
    const auto& columns = format->columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ColumnFormat& column = columns[c];
        const int section = static_cast<int>(c);
        const int pixels = units.ToPixelsX(column.width);
        delegate->appliedPixels.push_back(pixels);
        showHeader = showHeader || column.resizable || !column.header.empty();
        if (view->model() != nullptr && section < view->model()->columnCount()) {
            view->model()->setHeaderData(section, Qt::Horizontal,
                                         QString::fromStdString(column.header));
        }
        if (section < header->count()) {
            header->setSectionResizeMode(
                section, column.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
        }
        header->resizeSection(section, pixels);
    }
    header->setVisible(showHeader);
    delegate->format = std::move(format);
    view->viewport()->update();
    return true;
}

std::string ListFormatText(const QTreeView* view) {
    const FormatDelegate* delegate = view != nullptr ? DelegateOf(view) : nullptr;
    if (delegate == nullptr || !delegate->format) {
        return {};
    }
    const DialogUnits units(view->font());
    const QHeaderView* header = view->header();
    const auto& columns = delegate->format->columns();
    std::vector<int> widths;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int section = static_cast<int>(c);
        if (section >= header->count()) {
            widths.push_back(columns[c].width);
            continue;
        }
        const int pixels = header->sectionSize(section);
        // Untouched columns keep their written width: no rounding drift through pixels.
        widths.push_back(pixels == delegate->appliedPixels[c] ? columns[c].width
                                                              : units.FromPixelsX(pixels));
    }
    return delegate->format->WithWidths(widths);
}

void SetRowHeight(QTreeView* view, int dialogUnits) {
    EnsureDelegate(view)->rowHeightUnits = dialogUnits;
    view->setUniformRowHeights(true);
    view->doItemsLayout();
}

}  // namespace quillon::window
