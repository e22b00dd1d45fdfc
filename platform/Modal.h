// Every modal question the program asks, and its sounds and web or mail launches, pass through
// here: one call per kind. Tests answer the questions in advance instead of a window and read
// back what was asked, played and launched.
#pragma once

#include <QFont>
#include <QFontDialog>
#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

class QDialog;
class QWidget;

namespace Modal {

// A long list of lines goes into the details, which tests do not see. Buttons may carry words of
// their own (labels); the default button is the one Enter presses.
using ButtonLabels = QList<QPair<QMessageBox::StandardButton, QString>>;
QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& title, const QString& text,
                                       QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                       const QString& details = QString(), const ButtonLabels& labels = {},
                                       QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
// False when the user cancels; `chosen` is set only on true.
bool ChooseFont(QWidget* parent, const QFont& initial, QFontDialog::FontDialogOptions options, QFont& chosen);
// An empty name when the user cancels.
QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter);
QString SaveFileName(QWidget* parent, const QString& suggested, const QString& filter);
// A folder as raw bytes, picked with the program's own folder dialog (which lives above this
// layer, so the caller hands in how to show it); nothing when the user cancels.
std::optional<QByteArray> ChooseFolder(const std::function<std::optional<QByteArray>()>& show);
// One item of a list (an encoding by its name), shown the caller's way; nothing when cancelled.
std::optional<QString> ChooseItem(const std::function<std::optional<QString>()>& show);
// The program's own dialogs (the tag editor, the print preview), run modally; their result.
int Exec(QDialog& dialog);
// Never waits and never fails: a new sound replaces one still playing; without an audio device
// nothing is heard.
void PlaySound(int waveId);
void OpenUrl(const QUrl& url);
// Hands the address to the desktop's mail client; false when none could be started.
bool OpenMail(const QString& address);

// For tests. An answer queued here is given to the next question of its kind instead of a window;
// with no answer queued, the standing answer (when set) answers every message box.
void NextMessageBoxAnswer(QMessageBox::StandardButton answer);
void AnswerAllMessageBoxes(QMessageBox::StandardButton answer);
void NextFontAnswer(std::optional<QFont> chosen); // nothing: the user cancels
void NextFolderAnswer(std::optional<QByteArray> path);
void NextItemAnswer(std::optional<QString> item);
// Acts on the next dialog as the user would (it is not shown) and gives its result.
void NextDialogAnswer(std::function<int(QDialog&)> answer);
// While intercepting, sounds and launches are recorded instead of played or opened (a mail
// address as a "mailto:" link).
void Intercept();

// A message box as it would have been shown.
struct AskedBox {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString details;
};
struct Asked {
    QStringList messageBoxes; // the texts of `boxes`
    QList<AskedBox> boxes;
    QList<QFont> fontsShown;
    std::vector<int> sounds;
    QList<QUrl> urls;
};
Asked& Record();
// Forgets answers and records; the real windows, sounds and launches come back.
void Reset();

// Dialogs and message boxes have a title and a close box, never minimize or maximize buttons.
void UseDialogFrame(QWidget* dialog);

} // namespace Modal
