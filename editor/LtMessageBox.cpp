#include "LtMessageBox.h"

#include "DocStrings.h"
#include "ResourceIds.h"

#include "CResourceModule.h"

QMessageBox::StandardButton LtMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                         QMessageBox::StandardButtons buttons) {
    return Modal::MessageBox(parent, DocString(kDocWindowTitle), text, icon, buttons);
}

QMessageBox::StandardButton LtAsk(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                  const QList<QPair<QMessageBox::StandardButton, int>>& buttons,
                                  QMessageBox::StandardButton defaultButton) {
    QMessageBox::StandardButtons all;
    Modal::ButtonLabels labels;
    for (const auto& [button, id] : buttons) {
        all |= button;
        if (id != 0)
            labels.append({button, CurrentResources().String(id)});
    }
    return Modal::MessageBox(parent, DocString(kDocWindowTitle), text, icon, all, QString(), labels,
                             defaultButton);
}

QString QuotedCharacters(const QString& characters, int most) {
    QStringList shown;
    for (qsizetype i = 0; i < characters.size() && shown.size() < most; ++i) {
        const qsizetype length = characters[i].isHighSurrogate() && i + 1 < characters.size() ? 2 : 1;
        shown << QStringLiteral("“") + characters.mid(i, length) + QStringLiteral("”");
        i += length - 1;
    }
    return shown.join(QStringLiteral(", "));
}
