#include "CAboutDlg.h"

#include "CPictureEx.h"
#include "DialogUnits.h"
#include "DocStrings.h"
#include "LtMessageBox.h"
#include "SettingsGui.h"
#include "TextFile.h"

#include "CResourceModuleGui.h"
#include "InstalledResourceFolders.h"

#include "LtVersion.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QtMath>

#include <algorithm>

namespace {

QString g_programPath;
CAboutDlg::LaunchHook g_launchHook;

QCursor HandCursor() {
    const QImage image = CurrentResources().Cursor(kCursorHand);
    if (image.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(QPixmap::fromImage(image), image.text(QStringLiteral("HotSpotX")).toInt(),
                   image.text(QStringLiteral("HotSpotY")).toInt());
}

} // namespace

QString AboutTextFile(const QString& programPath, const QString& language) {
    const QFileInfo program(programPath);
    QStringList names;
    if (!language.isEmpty())
        names << program.completeBaseName() + u'.' + language + QStringLiteral(".txt");
    names << program.completeBaseName() + QStringLiteral(".txt");
    QStringList folders{program.absolutePath()};
    folders << InstalledResourceFolders(program.absolutePath());
    // The guide in the interface language, else the English one.
    for (const QString& name : names) {
        for (const QString& folder : folders) {
            const QFileInfo candidate(folder + QLatin1Char('/') + name);
            if (candidate.isFile())
                return candidate.absoluteFilePath();
        }
    }
    return {};
}

QString GuideLanguage(int language) {
    switch (language) {
    case kLangRussian:
        return QStringLiteral("ru");
    case kLangGerman:
        return QStringLiteral("de");
    default:
        return {};
    }
}

QString ReadAboutText(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const SDecodedText decoded = DecodeTextFile(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                                static_cast<std::size_t>(bytes.size()));
    return QString::fromStdU16String(decoded.text);
}

void CAboutDlg::SetProgramPath(const QString& path) {
    g_programPath = path;
}

void CAboutDlg::SetLaunchHook(LaunchHook hook) {
    g_launchHook = std::move(hook);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const CResourceModule& res = CurrentResources();
    const SDialogTexts texts = res.Dialog(kDlgAbout);
    setWindowTitle(texts.title);
    UseDialogFrame(this);
    const CDialogUnits du(fontMetrics());

    QPalette grey = palette();
    grey.setColor(QPalette::Window, m_crBack);
    grey.setColor(QPalette::WindowText, Qt::black);
    setPalette(grey);
    setAutoFillBackground(true);

    const auto label = [this, &du](const QString& caption, int x, int y) {
        auto* item = new QLabel(caption, this);
        item->adjustSize();
        item->move(du.X(x), du.Y(y));
        return item;
    };
    // A longer maker line widens the box rather than run under the logo.
    // The maker line names the whole version, the one to quote in a report.
    const QString maker = WithVersion(texts.Control(1041), QStringLiteral(LT_VERSION));
    const int extra = std::max(0, label(maker, 54, 17)->width() - du.X(207));
    QLabel* mailCaption = label(texts.Control(1042), 54, 28);
    QLabel* urlCaption = label(texts.Control(1043), 153, 28);

    const QCursor hand = HandCursor();
    const auto picture = [this, &hand](int bitmap) {
        auto* item = new QLabel(this);
        item->setPixmap(QPixmap::fromImage(CurrentResources().Bitmap(bitmap)));
        item->adjustSize();
        item->setCursor(hand);
        return item;
    };
    // The pictures follow their captions, which may be longer in other languages.
    m_staticMail = picture(kBmpMail);
    m_staticMail->move(std::max(du.X(79), mailCaption->geometry().right() + du.X(2)), du.Y(28));
    urlCaption->move(std::max(urlCaption->x(), m_staticMail->geometry().right() + du.X(8)), urlCaption->y());
    m_staticUrl = picture(kBmpUrl);
    m_staticUrl->move(std::max(du.X(170), urlCaption->geometry().right() + du.X(2)), du.Y(28));

    m_picSign = new CPictureEx(this);
    m_picSign->move(du.X(20), du.Y(14));
    m_picLogo = new CPictureEx(this);
    m_picLogo->move(du.X(267) + extra, du.Y(7));

    m_editText = new QPlainTextEdit(this);
    m_editText->setReadOnly(true);
    m_editText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editText->setGeometry(du.X(7), du.Y(42), du.X(313) + extra, du.Y(155));
    // The guide lines up its tables for a fixed-width font.
    m_editText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette field = m_editText->palette();
    field.setColor(QPalette::Base, Qt::black);
    field.setColor(QPalette::Text, QColor(0x00, 0xFF, 0x00));
    m_editText->setPalette(field);

    setFixedSize(du.X(327) + extra, du.Y(204));
    OnInitDialog();
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::OnInitDialog() {
    const QString program = g_programPath.isEmpty() ? QCoreApplication::applicationFilePath() : g_programPath;
    m_strText = ReadAboutText(AboutTextFile(program, GuideLanguage(CurrentResources().Language())));
    m_editText->setPlainText(m_strText);
    FitToText();

    // A picture that does not load is simply not shown.
    if (m_picSign->LoadPicture(kGifModeOn)) {
        m_picSign->SetBackColor(m_crBack);
        m_picSign->Play();
    } else {
        m_picSign->hide();
    }
    if (m_picLogo->LoadPicture(kGifLogo))
        m_picLogo->Play();
    else
        m_picLogo->hide();
}

void CAboutDlg::FitToText() {
    // As wide as the guide's longest line, so that no line wraps, as far as the screen allows.
    const QFontMetrics metrics(m_editText->font());
    int longest = 0;
    for (const QString& line : m_strText.split(u'\n'))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    const int chrome = m_editText->frameWidth() * 2 + m_editText->verticalScrollBar()->sizeHint().width() +
                       2 * qCeil(m_editText->document()->documentMargin()) + metrics.averageCharWidth();
    int grow = std::max(0, longest + chrome - m_editText->width());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        grow = std::max(0, std::min(grow, screen->availableGeometry().width() - 40 - width()));
    m_editText->resize(m_editText->width() + grow, m_editText->height());
    m_picLogo->move(m_picLogo->x() + grow, m_picLogo->y());
    setFixedSize(width() + grow, height());
}

void CAboutDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_staticUrl->geometry().contains(point)) {
        const QUrl url(CurrentResources().String(kStrMakerUrl));
        if (g_launchHook)
            g_launchHook(url);
        else
            QDesktopServices::openUrl(url);
    }
    if (g_bMailAvailable && m_staticMail->geometry().contains(point)) {
        const QString address = CurrentResources().String(kStrMakerMail);
        if (g_launchHook) {
            g_launchHook(QUrl(QStringLiteral("mailto:") + address));
        } else if (!QProcess::startDetached(QStringLiteral("xdg-email"), {address})) {
            LtMessageBox(this, CurrentResources().String(kStrMailUnavailable), QMessageBox::Warning);
        }
    }
    QDialog::mousePressEvent(event);
}
