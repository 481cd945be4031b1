#pragma once

#include <QMessageBox>
#include <QString>

// One modal message as the window asks for it, before any box is shown.
struct MessageBoxContent {
    QString Title;
    QString Text; // line breaks are "\r\n"
    QMessageBox::Icon Icon = QMessageBox::Information;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
};

// Shows the window's messages. The window talks only to this interface, so tests can read
// what would be shown without a modal box stopping them.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Returns once the user has answered; the answer is not needed.
    virtual void Show(QWidget* parent, const MessageBoxContent& message) = 0;
};

// The real thing: a modal QMessageBox.
class ModalMessagePresenter : public MessagePresenter {
public:
    void Show(QWidget* parent, const MessageBoxContent& message) override;
};
