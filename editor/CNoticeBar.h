// A bar above the text that says something about the file and offers what to do about it ("The
// file changed on disk" with Reload and Keep Mine). Hidden until there is something to say.
#pragma once

#include <QFrame>
#include <QList>

class QHBoxLayout;
class QLabel;
class QPushButton;

class CNoticeBar : public QFrame {
    Q_OBJECT

public:
    explicit CNoticeBar(QWidget* parent = nullptr);

    // Shows the text with one button for each of the words; an empty text hides the bar.
    void Show(const QString& text, const QStringList& buttons);
    QString Text() const;
    QList<QPushButton*> Buttons() const { return m_buttons; }

signals:
    // The button at index was pressed; -1 for the close button.
    void Chosen(int index);

private:
    QLabel* m_label;
    QHBoxLayout* m_row;
    QList<QPushButton*> m_buttons;
};
