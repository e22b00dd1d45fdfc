#include "CAboutDlg.h"

#include "CPictureEx.h"
#include "DocStrings.h"
#include "LtMessageBox.h"
#include "SettingsGui.h"
#include "TextFile.h"

#include "CResourceModuleGui.h"
#include "InstalledResourceFolders.h"

#include "LtVersion.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtMath>

#include <algorithm>

namespace {

QString g_programPath;

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

CAboutDlg::CAboutDlg(const CSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings) {
    const CResourceModule& res = CurrentResources();
    const SDialogTexts texts = res.Dialog(kDlgAbout);
    setWindowTitle(texts.title);
    UseDialogFrame(this);

    QPalette grey = palette();
    grey.setColor(QPalette::Window, m_crBack);
    grey.setColor(QPalette::WindowText, Qt::black);
    setPalette(grey);
    setAutoFillBackground(true);

    // The maker line names the whole version, the one to quote in a report.
    auto* maker = new QLabel(WithVersion(texts.Control(1041), QStringLiteral(LT_VERSION)), this);
    auto* mailCaption = new QLabel(texts.Control(1042), this);
    auto* urlCaption = new QLabel(texts.Control(1043), this);
    const QCursor hand = HandCursor();
    const auto picture = [this, &hand](int bitmap) {
        auto* item = new QLabel(this);
        item->setPixmap(QPixmap::fromImage(CurrentResources().Bitmap(bitmap)));
        item->setCursor(hand);
        return item;
    };
    m_staticMail = picture(kBmpMail);
    m_staticUrl = picture(kBmpUrl);
    m_picSign = new CPictureEx(this);
    m_picLogo = new CPictureEx(this);

    m_editText = new QPlainTextEdit(this);
    m_editText->setReadOnly(true);
    m_editText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The guide lines up its tables for a fixed-width font.
    m_editText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette field = m_editText->palette();
    field.setColor(QPalette::Base, Qt::black);
    field.setColor(QPalette::Text, QColor(0x00, 0xFF, 0x00));
    m_editText->setPalette(field);
    // Room for about twenty lines; FitToText widens it to the guide's longest line.
    m_editText->setMinimumSize(fontMetrics().averageCharWidth() * 78, fontMetrics().height() * 19);

    // The sign, the maker line over the two links, the logo at the right; the guide under them.
    // Longer texts in other languages push the pictures along instead of running under them.
    auto* links = new QHBoxLayout;
    links->addWidget(mailCaption);
    links->addWidget(m_staticMail);
    links->addSpacing(fontMetrics().averageCharWidth() * 2);
    links->addWidget(urlCaption);
    links->addWidget(m_staticUrl);
    links->addStretch(1);
    auto* lines = new QVBoxLayout;
    lines->addStretch(1);
    lines->addWidget(maker);
    lines->addLayout(links);
    auto* top = new QHBoxLayout;
    top->addWidget(m_picSign, 0, Qt::AlignTop);
    top->addSpacing(fontMetrics().averageCharWidth() * 2);
    top->addLayout(lines, 1);
    top->addWidget(m_picLogo, 0, Qt::AlignTop);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(m_editText, 1);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    OnInitDialog();
    // Placed at once, so that a click finds its picture even before the box is shown.
    outer->activate();
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
    // Their sizes are known now: the layout takes them.
    m_picSign->updateGeometry();
    m_picLogo->updateGeometry();
}

void CAboutDlg::FitToText() {
    // As wide as the guide's longest line, so that no line wraps, as far as the screen allows.
    const QFontMetrics metrics(m_editText->font());
    int longest = 0;
    for (const QString& line : m_strText.split(u'\n'))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    const int chrome = m_editText->frameWidth() * 2 + m_editText->verticalScrollBar()->sizeHint().width() +
                       2 * qCeil(m_editText->document()->documentMargin()) + metrics.averageCharWidth();
    int wanted = longest + chrome;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QMargins margins = layout()->contentsMargins();
        wanted =
            std::min(wanted, screen->availableGeometry().width() - 40 - margins.left() - margins.right());
    }
    m_editText->setMinimumWidth(std::max(m_editText->minimumWidth(), wanted));
}

void CAboutDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_staticUrl->geometry().contains(point)) {
        const QUrl url(CurrentResources().String(kStrMakerUrl));
        Modal::OpenUrl(url);
    }
    if (m_settings.mailAvailable && m_staticMail->geometry().contains(point)) {
        const QString address = CurrentResources().String(kStrMakerMail);
        if (!Modal::OpenMail(address)) {
            LtMessageBox(this, CurrentResources().String(kStrMailUnavailable), QMessageBox::Warning);
        }
    }
    QDialog::mousePressEvent(event);
}
