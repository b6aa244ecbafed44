#pragma once

#include <QTreeView>
#include <string>
#include <string_view>

namespace quillon::window {

// Gives a list view the columns of a format text: widths (dialog units of the view's font),
// alignment and indent, right border and underline lines, which columns the user may resize,
// and the header texts. The header is shown when a column has a header text or may be resized,
// so that the user has a border to drag. The text is kept with the view. False, and the view
// unchanged, for a text that is not a format text.
bool ApplyListFormat(QTreeView* view, std::string_view text);

// The format text of the view as it is now: the text last applied with the widths the user gave
// the columns since. A column the user did not touch keeps its width exactly as written. Empty
// when no format was applied.
std::string ListFormatText(const QTreeView* view);

// Height of every row, in vertical dialog units of the view's font.
void SetRowHeight(QTreeView* view, int dialogUnits);

}  // namespace quillon::window
