#include "CLtApp.h"

#include "CAboutDlg.h"
#include "CLtDoc.h"
#include "CLtView.h"
#include "CMainFrame.h"
#include "CSplashWnd.h"
#include "DocStrings.h"
#include "LtMessageBox.h"
#include "ResourceIds.h"
#include "SettingsGui.h"

#include "CResourceModule.h"
#include "TextPaths.h"

#include "LtVersion.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: lettrino [OPTION...] [FILE...]\n"
    "\n"
    "Lettrino, the editor for Russian text from a Latin keyboard. Opens FILE, or a new document\n"
    "without one. Of several files the first opens; the others are named in a message as not\n"
    "opened.\n"
    "\n"
    "Options:\n"
    "  -h, --help    show this help and exit\n"
    "  --version     show the version and exit\n"
    "  --            everything after it is a file name\n"
    "\n"
    "The options of every Qt program (-platform, -style, ...) apply too.\n";

// The answer to --help or --version, printed before any window or display is needed; null
// when the command line asks for neither.
const char* InformationRequested(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return kUsage;
        if (std::strcmp(argv[i], "--version") == 0)
            return "lettrino " LT_VERSION "\n";
    }
    return nullptr;
}

} // namespace

CLtApp::CLtApp(QStringList arguments) : m_arguments(std::move(arguments)) {}

CLtApp::~CLtApp() {
    ExitInstance();
}

bool CLtApp::InitInstance() {
    m_pSplash = new CSplashWnd;
    m_pSplash->Create();

    m_recentFiles.ReadList();
    ParseCommandLine();
    m_bSettingsLoaded = LoadSettings(m_settings);
    if (!ProcessShellCommand()) {
        delete m_pSplash;
        return false;
    }
    m_pMainWnd->RestoreWindowState();
    // Gone once the main window is up; the window was shown just now.
    delete m_pSplash;
    // Text that a crash kept from an earlier run is offered back first, once the window stands
    // so that the question shows over it.
    QTimer::singleShot(0, m_pDoc.get(), [this] { m_pDoc->OfferRecovery(); });
    if (!m_ignoredFiles.isEmpty()) {
        QStringList names;
        for (const QString& path : m_ignoredFiles)
            names << QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        LtMessageBox(m_pMainWnd.get(), CurrentResources().String(kStrFilesNotOpened).arg(names.join(u'\n')),
                     QMessageBox::Information);
    }
    return true;
}

int CLtApp::ExitInstance() {
    if (m_bExited)
        return 0;
    m_bExited = true;
    delete m_pSplash;
    // The document refers to the view, which the frame owns: the document goes first.
    m_pDoc.reset();
    m_pView = nullptr;
    m_pMainWnd.reset();
    // Nothing to save when start-up ended before the settings were loaded.
    if (m_bSettingsLoaded) {
        SaveSettingsOnExit(m_settings);
        m_recentFiles.WriteList();
    }
    return 0;
}

int CLtApp::Run(int& argc, char** argv) {
    if (const char* text = InformationRequested(argc, argv))
        return std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("lettrino"));
    CLtApp app(RawArguments(argc, argv)); // file names keep their bytes
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 1;
    }
    const int code = QApplication::exec();
    app.ExitInstance();
    return code;
}

void CLtApp::ParseCommandLine() {
    // The first argument that is not a switch names the file, the ones after it are not opened
    // (one document per window); "--" ends the switches.
    bool switches = true;
    bool named = false;
    for (qsizetype i = 1; i < m_arguments.size(); ++i) {
        const QString& argument = m_arguments[i];
        if (switches && argument == QLatin1String("--")) {
            switches = false;
            continue;
        }
        if (switches && argument.startsWith(u'-') && argument.size() > 1)
            continue;
        if (named)
            m_ignoredFiles << argument;
        else
            m_fileToOpen = argument;
        named = true;
    }
}

bool CLtApp::ProcessShellCommand() {
    m_pMainWnd = std::make_unique<CMainFrame>(this, m_settings);
    if (!m_pMainWnd->OnCreate())
        return false;
    m_pDoc = std::make_unique<CLtDoc>();
    m_pView = new CLtView(m_settings, m_pMainWnd.get());
    if (const std::optional<QFont> font = EditorFont(m_settings))
        m_pView->setFont(*font);
    m_pDoc->SetView(m_pView);
    QObject::connect(m_pDoc.get(), &CLtDoc::PathNameChanged, m_pDoc.get(),
                     [this](const QString& path) { m_recentFiles.Add(path); });
    // Queued: the question about unsaved changes must not run inside the drop.
    QObject::connect(
        m_pView, &CLtView::FilesDropped, m_pDoc.get(),
        [this](const QStringList& files) { OpenDocumentFile(files.first()); }, Qt::QueuedConnection);
    m_pMainWnd->SetActiveView(m_pView, m_pDoc.get());
    m_pView->ApplyTabStops();

    if (m_fileToOpen.isEmpty() || m_pDoc->OnOpenDocument(m_fileToOpen))
        return m_fileToOpen.isEmpty() ? m_pDoc->OnNewDocument() : true;
    // A name that does not exist yet is a new file under that name, as in every editor here.
    if (m_pDoc->LastErrorCode() == ENOENT) {
        m_pDoc->OnNewNamedDocument(m_fileToOpen);
        return true;
    }
    // The splash would stand in front of the message. The program stays, with an empty text.
    delete m_pSplash;
    m_pSplash = nullptr;
    ReportCannotOpen(m_fileToOpen);
    return m_pDoc->OnNewDocument();
}

void CLtApp::ReportCannotOpen(const QString& path) {
    // Empty when the user chose not to open it (a binary file).
    if (m_pDoc->LastError().isEmpty())
        return;
    LtMessageBox(
        m_pMainWnd != nullptr && m_pMainWnd->isVisible() ? m_pMainWnd.get() : nullptr,
        CurrentResources().String(kStrCannotOpen).arg(DisplayPath(QFileInfo(path).absoluteFilePath())) +
            QStringLiteral("\n\n") + m_pDoc->LastError(),
        QMessageBox::Warning);
}

bool CLtApp::OpenDocumentFile(const QString& path) {
    if (!m_pDoc->SaveModified())
        return false;
    if (m_pDoc->OnOpenDocument(path))
        return true;
    ReportCannotOpen(path);
    return false;
}

void CLtApp::OnFileNew() {
    if (m_pDoc->SaveModified())
        m_pDoc->OnNewDocument();
}

void CLtApp::OnFileOpen() {
    const QString folder =
        m_pDoc->GetPathName().isEmpty() ? QString() : QFileInfo(m_pDoc->GetPathName()).path();
    const QString path = ResolveDialogPath(Modal::OpenFileName(m_pMainWnd.get(), folder, DocFileFilter()));
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

void CLtApp::OnAppAbout() {
    CAboutDlg dialog(m_settings, m_pMainWnd.get());
    dialog.exec();
}

void CLtApp::OpenRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.GetSize())
        return;
    const QString path = m_recentFiles[index];
    // A recent file that is gone leaves the list, as it did.
    if (!OpenDocumentFile(path) && !QFileInfo(path).isFile())
        m_recentFiles.Remove(index);
}
