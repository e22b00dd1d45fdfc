// The About box: the maker's line, the e-mail and web address as pictures that open a new
// message or the web page when clicked, two animated pictures, and the program's guide (the text
// file named like the program) green on black. Modal, built on the stack by the About command in
// the current interface language.
#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <QUrl>

class CPictureEx;
class CSettings;
class QLabel;
class QPlainTextEdit;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // The mail line opens the mail client only while the settings say there is one.
    explicit CAboutDlg(const CSettings& settings, QWidget* parent = nullptr);
    ~CAboutDlg() override;

    QString m_strText; // the guide as shown

    QLabel* MailPicture() const { return m_staticMail; }
    QLabel* UrlPicture() const { return m_staticUrl; }
    CPictureEx* Logo() const { return m_picLogo; }
    CPictureEx* Sign() const { return m_picSign; }
    QPlainTextEdit* TextField() const { return m_editText; }

    // The program whose guide is shown; empty (the default) for the running program.
    static void SetProgramPath(const QString& path);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnInitDialog();
    void FitToText();

    const CSettings& m_settings;
    QLabel* m_staticMail = nullptr;
    CPictureEx* m_picLogo = nullptr;
    CPictureEx* m_picSign = nullptr;
    QLabel* m_staticUrl = nullptr;
    QPlainTextEdit* m_editText = nullptr;
    QColor m_crBack{0xBF, 0xBF, 0xBF};
};

// The guide of the program at programPath: its file name with ".txt", beside it, else in the data
// folder of an installed program; with a language ("ru", "de"), the file name with "." and the
// language before ".txt" comes first. Empty when there is none.
QString AboutTextFile(const QString& programPath, const QString& language = {});
// The language part of the guide's file name for an interface language; empty for English.
QString GuideLanguage(int language);
// The file's text by the editor's reading rules; empty when it cannot be read.
QString ReadAboutText(const QString& path);
