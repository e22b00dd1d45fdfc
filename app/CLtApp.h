// The application: the start-up sequence from the splash window to the first shown main window,
// the document commands of the application (New, Open, recent files, About, Exit) and what
// happens at exit. One per process; main creates it after the QApplication.
#pragma once

#include "CRecentFileList.h"
#include "CSplashWnd.h"
#include "Settings.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class CLtDoc;
class CLtView;
class CMainFrame;

class CLtApp {
public:
    // arguments: the command line, program name first.
    explicit CLtApp(QStringList arguments);
    ~CLtApp();

    // False when start-up failed and the program is to end (a file named on the command line
    // that cannot be opened, a frame that cannot be built).
    bool InitInstance();
    // Saves what exit saves; runs once, also after a failed start-up.
    int ExitInstance();

    // Start-up, the event loop and exit: what main runs.
    static int Run(int& argc, char** argv);

    CSettings& Settings() { return m_settings; }
    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    CLtDoc* Document() const { return m_pDoc.get(); }
    CLtView* View() const { return m_pView; }
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }

    // Asks about unsaved changes, then opens the file; false when it was not opened.
    bool OpenDocumentFile(const QString& path);
    void OnFileNew();
    void OnFileOpen();
    void OnAppAbout();

    // Opens the recent file at index; a file that is gone leaves the list.
    void OpenRecentFile(int index);

private:
    void ParseCommandLine();
    bool ProcessShellCommand();
    void ReportCannotOpen(const QString& path);

    // Made first: everything the application builds reads it.
    CSettings m_settings;
    QStringList m_arguments;
    QString m_fileToOpen;
    QStringList m_ignoredFiles;
    QPointer<CSplashWnd> m_pSplash;
    CRecentFileList m_recentFiles{4};
    std::unique_ptr<CMainFrame> m_pMainWnd;
    std::unique_ptr<CLtDoc> m_pDoc;
    CLtView* m_pView = nullptr; // owned by the frame
    bool m_bSettingsLoaded = false;
    bool m_bExited = false;
};
