#include "LtMessageBox.h"

#include "DocStrings.h"
#include "ResourceIds.h"

QMessageBox::StandardButton LtMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                         QMessageBox::StandardButtons buttons) {
    return Modal::MessageBox(parent, DocString(kDocWindowTitle), text, icon, buttons);
}
