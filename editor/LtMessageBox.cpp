#include "LtMessageBox.h"

#include "DocStrings.h"
#include "ResourceIds.h"

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
} // namespace

QMessageBox::StandardButton LtMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                         QMessageBox::StandardButtons buttons) {
    if (Hook())
        return Hook()(text);
    QMessageBox box(icon, DocString(kDocWindowTitle), text, buttons, parent);
    UseDialogFrame(&box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

void UseDialogFrame(QWidget* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}
