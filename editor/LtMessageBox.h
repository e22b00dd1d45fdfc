// The program's message boxes: the standard box with the window title of the document strings.
// Tests answer them through a hook instead of a window.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

QMessageBox::StandardButton LtMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                         QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// While set, the hook answers every box in place of the user; it receives the text.
using MessageBoxHook = std::function<QMessageBox::StandardButton(const QString& text)>;
void SetMessageBoxHook(MessageBoxHook hook);

// Dialogs and message boxes have a title and a close box, never minimize or maximize buttons.
void UseDialogFrame(QWidget* dialog);
