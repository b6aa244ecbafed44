#include "platform/window/qt_message_box.h"

namespace quillon::window {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtMessageBox::QtMessageBox(QWidget* parent, QMessageBox::Icon icon)
    : parent_(parent), icon_(icon) {}

void QtMessageBox::Show(std::string_view caption, std::string_view text) {
    QMessageBox box(icon_, FromUtf8(caption), FromUtf8(text), QMessageBox::Ok, parent_.data());
    box.setTextFormat(Qt::PlainText);  // the text is shown as written, never as markup
    box.exec();
}

}  // namespace quillon::window
