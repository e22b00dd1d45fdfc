#include "Modal.h"

#include "CResourceModule.h"

#include <QAbstractButton>
#include <QAudioDevice>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMediaDevices>
#include <QProcess>
#include <QSoundEffect>
#include <QTemporaryDir>

#include <deque>
#include <memory>

namespace Modal {
namespace {

struct Answers {
    std::deque<QMessageBox::StandardButton> messageBoxes;
    std::optional<QMessageBox::StandardButton> standingMessageBox;
    std::deque<std::optional<QFont>> fonts;
    std::deque<std::optional<QByteArray>> folders;
    std::deque<std::optional<QString>> items;
    std::deque<std::function<int(QDialog&)>> dialogs;
    bool intercepting = false;
    Asked asked;
};

Answers& State() {
    static Answers state;
    return state;
}

template <typename T> std::optional<T> TakeNext(std::deque<T>& queue) {
    if (queue.empty())
        return std::nullopt;
    T next = std::move(queue.front());
    queue.pop_front();
    return next;
}

// QSoundEffect plays files, not memory: each distinct sound is written once into a private folder
// that goes away with the program.
QString WaveFile(const QByteArray& bytes) {
    static std::unique_ptr<QTemporaryDir> folder;
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>();
        if (!folder->isValid())
            return {};
    }
    const QString path = folder->filePath(
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()) +
        QStringLiteral(".wav"));
    if (!QFile::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
    }
    return path;
}

} // namespace

QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& title, const QString& text,
                                       QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                       const QString& details, const ButtonLabels& labels,
                                       QMessageBox::StandardButton defaultButton) {
    Answers& state = State();
    std::optional<QMessageBox::StandardButton> answer = TakeNext(state.messageBoxes);
    if (!answer)
        answer = state.standingMessageBox;
    if (answer) {
        state.asked.messageBoxes << text;
        state.asked.boxes << AskedBox{text, icon, buttons, details};
        return *answer;
    }
    QMessageBox box(icon, title, text, buttons, parent);
    UseDialogFrame(&box);
    if (!details.isEmpty())
        box.setDetailedText(details);
    for (const auto& [button, label] : labels) {
        if (QAbstractButton* shown = box.button(button))
            shown->setText(label);
    }
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool ChooseFont(QWidget* parent, const QFont& initial, QFontDialog::FontDialogOptions options,
                QFont& chosen) {
    if (auto answer = TakeNext(State().fonts)) {
        State().asked.fontsShown << initial;
        if (*answer)
            chosen = **answer;
        return answer->has_value();
    }
    QFontDialog dialog(initial, parent);
    dialog.setOptions(options);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    chosen = dialog.selectedFont();
    return true;
}

QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
}

QString SaveFileName(QWidget* parent, const QString& suggested, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
}

std::optional<QByteArray> ChooseFolder(const std::function<std::optional<QByteArray>()>& show) {
    if (auto answer = TakeNext(State().folders))
        return *answer;
    return show();
}

std::optional<QString> ChooseItem(const std::function<std::optional<QString>()>& show) {
    if (auto answer = TakeNext(State().items))
        return *answer;
    return show();
}

int Exec(QDialog& dialog) {
    if (auto answer = TakeNext(State().dialogs))
        return (*answer)(dialog);
    return dialog.exec();
}

void PlaySound(int waveId) {
    if (State().intercepting) {
        State().asked.sounds.push_back(waveId);
        return;
    }
    // Without an output device there is nothing to play on; that is silence, not an error.
    if (QMediaDevices::defaultAudioOutput().isNull())
        return;
    const QByteArray bytes = CurrentResources().Wave(waveId);
    if (bytes.isEmpty())
        return;
    const QString path = WaveFile(bytes);
    if (path.isEmpty())
        return;
    static QSoundEffect* effect = new QSoundEffect; // lives as long as the program
    effect->stop();
    effect->setSource(QUrl::fromLocalFile(path));
    effect->play();
}

void OpenUrl(const QUrl& url) {
    if (State().intercepting)
        State().asked.urls << url;
    else
        QDesktopServices::openUrl(url);
}

bool OpenMail(const QString& address) {
    if (!State().intercepting)
        return QProcess::startDetached(QStringLiteral("xdg-email"), {address});
    State().asked.urls << QUrl(QStringLiteral("mailto:") + address);
    return true;
}

void NextMessageBoxAnswer(QMessageBox::StandardButton answer) {
    State().messageBoxes.push_back(answer);
}

void AnswerAllMessageBoxes(QMessageBox::StandardButton answer) {
    State().standingMessageBox = answer;
}

void NextFontAnswer(std::optional<QFont> chosen) {
    State().fonts.push_back(std::move(chosen));
}

void NextFolderAnswer(std::optional<QByteArray> path) {
    State().folders.push_back(std::move(path));
}

void NextItemAnswer(std::optional<QString> item) {
    State().items.push_back(std::move(item));
}

void NextDialogAnswer(std::function<int(QDialog&)> answer) {
    State().dialogs.push_back(std::move(answer));
}

void Intercept() {
    State().intercepting = true;
}

Asked& Record() {
    return State().asked;
}

void Reset() {
    State() = Answers();
}

void UseDialogFrame(QWidget* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

} // namespace Modal
