// The program's message boxes: the standard box with the window title of the document strings.
// Tests answer them through Modal.h.
#pragma once

#include "Modal.h"

#include <QMessageBox>
#include <QString>

class QWidget;

QMessageBox::StandardButton LtMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                         QMessageBox::StandardButtons buttons = QMessageBox::Ok);

using Modal::UseDialogFrame;
