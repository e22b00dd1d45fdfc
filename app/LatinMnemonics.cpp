#include "LatinMnemonics.h"

#include "CCharTable.h"
#include "CTypingConverter.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>

namespace {

QChar MnemonicOf(const QString& text) {
    const QKeySequence mnemonic = QKeySequence::mnemonic(text);
    return mnemonic.isEmpty() ? QChar() : QChar(char16_t(mnemonic[0].key() & 0xFFFF)).toLower();
}

// The button of `dialog` marked with `letter`, when there is exactly one that can be pressed.
QAbstractButton* ButtonMarked(QWidget* dialog, QChar letter) {
    QAbstractButton* found = nullptr;
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || !button->isEnabled() || MnemonicOf(button->text()) != letter)
            continue;
        if (found != nullptr)
            return nullptr;
        found = button;
    }
    return found;
}

} // namespace

QChar CyrillicOfLatinKey(QChar latin) {
    const std::u16string typed = ConvertToCyrillic(g_charTable, std::u16string(1, latin.toLower().unicode()));
    if (typed.size() != 1 || typed[0] < 0x0400 || typed[0] > 0x04FF)
        return {};
    return QChar(typed[0]).toLower();
}

bool CLatinMnemonics::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() < Qt::Key_A || key->key() > Qt::Key_Z ||
        (mods & ~(Qt::AltModifier | Qt::ShiftModifier)) != 0)
        return false;
    const QChar latin(char16_t(u'a' + (key->key() - Qt::Key_A)));
    auto* widget = static_cast<QWidget*>(watched);
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        if (!key->text().isEmpty() && key->text()[0].unicode() >= 0x0400)
            return false; // the letter already, as this filter hands it on
        // A menu marked in Latin takes its own letters.
        for (QAction* action : menu->actions()) {
            if (MnemonicOf(action->text()) == latin)
                return false;
        }
        const QChar letter = CyrillicOfLatinKey(latin);
        if (letter.isNull())
            return false;
        QKeyEvent typed(QEvent::KeyPress, key->key(), key->modifiers(), QString(letter));
        QCoreApplication::sendEvent(menu, &typed);
        return true;
    }
    QWidget* dialog = widget->window();
    if (qobject_cast<QDialog*>(dialog) == nullptr)
        return false;
    // Alone, a letter types in a dialog's fields; only a message box takes it as a button's.
    if ((mods & Qt::AltModifier) == 0 && qobject_cast<QMessageBox*>(dialog) == nullptr)
        return false;
    if (ButtonMarked(dialog, latin) != nullptr)
        return false;
    const QChar letter = CyrillicOfLatinKey(latin);
    QAbstractButton* button = letter.isNull() ? nullptr : ButtonMarked(dialog, letter);
    if (button == nullptr)
        return false;
    button->animateClick();
    return true;
}
