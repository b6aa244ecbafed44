#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "platform/core/message_box.h"

namespace quillon::window {

// The program's message box: modal, with an OK button and, unless told otherwise, the stop icon.
class QtMessageBox final : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr,
                          QMessageBox::Icon icon = QMessageBox::Critical);
    void Show(std::string_view caption, std::string_view text) override;

private:
    QPointer<QWidget> parent_;
    QMessageBox::Icon icon_;
};

}  // namespace quillon::window
