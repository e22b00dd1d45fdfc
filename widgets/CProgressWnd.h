// The small always-on-top window of a long batch (filling the MP3 list, rewriting all tags): a
// progress bar, the percentage in the title ("Progress [42%]") and a Cancel button. The caller
// owns it (usually on the stack), steps it once per file and lets it pump the waiting events
// between files. Its screen position is remembered in the settings ("X", "Y").
//
// While it pumps, input for every other window is dropped, so a click on the owner's buttons
// cannot start a second operation inside the running one; Esc (when asked for) and the Cancel
// button cancel. A cancelled window stops pumping; stepping it again shows it again.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

class CSettings;
class QLabel;
class QProgressBar;
class QPushButton;

class CProgressWnd : public QWidget {
    Q_OBJECT

public:
    // Child control ids.
    enum { kIdCancel = 10, kIdText = 11, kIdBar = 12 };

    // The title of the current resource module ("Progress").
    // The position is kept in the settings given.
    // With showAfterMs the window stays hidden until the work has taken that long: a quick fill
    // flashes no window.
    explicit CProgressWnd(CSettings& settings, QWidget* owner = nullptr, bool smooth = true,
                          int showAfterMs = 0);
    // Without an owner the window stands over the program's main window.
    CProgressWnd(CSettings& settings, QWidget* owner, const QString& title, bool smooth = true,
                 int showAfterMs = 0);
    ~CProgressWnd() override;

    // Room for `lines` text lines above the bar, `width` pixels wide inside the margins.
    void LayoutForLines(int lines, int width);

    void SetProgressRange(int lower, int upper, int step);
    // Both give the bar's previous position.
    int SetProgressPos(int pos);
    int StepProgress();

    // Handles the events already waiting, then returns; with waitForEvents, first waits for one
    // (a worker's posted call, the user's input, the moment the window is due). With cancelOnEsc,
    // an Esc key among them cancels. Does nothing once cancelled.
    void PumpMessages(bool cancelOnEsc, bool waitForEvents = false);
    bool IsCancelled() const { return m_cancelled; }

    void ShowProgress();
    void HideProgress();

    void SavePosition();
    // The stored position, or centred over the owner when there is none or it is off every screen.
    void RestorePosition();

    // For tests and callers that show more.
    QProgressBar* Bar() const { return m_bar; }
    QPushButton* CancelButton() const { return m_cancelButton; }
    QLabel* TextLine() const { return m_text; }
    int Pos() const { return m_pos; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Create(QWidget* owner, bool smooth);
    void OnCancelButton();
    bool IsOwn(const QObject* object) const;
    QWidget* Owner() const;

    bool m_cancelled = false;
    bool m_rememberPosition = true;
    int m_pos = 0;
    int m_lastPercent = 0;
    int m_step = 1;
    int m_upper = 100;
    int m_lower = 0;
    int m_textLines = 4;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancelButton = nullptr;
    CSettings& m_settings;
    QString m_title;
    QString m_cancelLabel;
    QPointer<QWidget> m_owner;
    bool m_pumping = false;
    bool m_cancelOnEsc = false;
    int m_showAfterMs = 0;
    QElapsedTimer m_since; // when the work began
    QTimer m_showTimer;    // wakes a wait when the window is due
};
