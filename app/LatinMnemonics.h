// Cyrillic mnemonics reached from a Latin keyboard: the key that types a letter in the Russian
// mode also picks the menu item or button whose mnemonic is that letter.
#pragma once

#include <QChar>
#include <QObject>

// The Cyrillic letter (lower case) that the Latin key `latin` types on its own; null when none.
QChar CyrillicOfLatinKey(QChar latin);

// Watches the whole application: in an open menu a Latin key picks the item its Cyrillic letter
// marks; in a dialog, Alt with a Latin key (and, in a message box, the key alone) presses the
// button. Keys that a Latin mnemonic or a text field takes are left alone.
class CLatinMnemonics : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
