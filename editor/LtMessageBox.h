// The program's message boxes: the standard box with the window title of the document strings.
// Tests answer them through Modal.h.
#pragma once

#include "Modal.h"

#include <QMessageBox>
#include <QString>

class QWidget;

QMessageBox::StandardButton LtMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                         QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// A question whose buttons say what they do ("Overwrite", "Save As…"): each standard button with
// the string of its id; the default button is the one Enter presses.
QMessageBox::StandardButton LtAsk(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                  const QList<QPair<QMessageBox::StandardButton, int>>& buttons,
                                  QMessageBox::StandardButton defaultButton);

// The first few characters of a list, each in quotes ("“é”, “€”"), for a message that names what
// an encoding cannot hold; a surrogate pair counts as one character.
QString QuotedCharacters(const QString& characters, int most = 5);

using Modal::UseDialogFrame;
