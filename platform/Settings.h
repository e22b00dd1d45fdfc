// The settings of section "Settings": one settings object holds a current value per stored
// value, with its default and its range, and announces every change.
// Each window loads the stored values it owns when it is created, follows the changes it shows,
// and the writers store them at the moments they own (frame close, the Settings dialog, the
// progress window); changing a current value never writes it by itself.
//
// The section also holds the character table ("Chars") and the two fonts ("Font", "FontList"),
// which LoadSettings (SettingsGui.h) reads at start-up and SaveSettingsOnExit writes at exit.
#pragma once

#include "CLogFont.h"
#include "LatinSpelling.h"
#include "ResourceIds.h"

#include <QObject>
#include <QString>

#include <climits>
#include <optional>

class CCharTable;
class CSettings;

// The one section all settings live in.
inline constexpr char kSettingsSection[] = "Settings";

// An integer setting. Load reads the stored value (the default when absent or not an integer),
// brings it into range and makes it the current value; Save writes the current value. A value
// set in the program is clamped into range, so no writer can leave a value no reader expects.
class CIntSetting {
public:
    CIntSetting(CSettings* owner, const char* name, int defaultValue)
        : m_owner(owner), m_name(name), m_default(defaultValue), m_value(defaultValue) {}
    // A stored value outside low..high reads as outside; a value set is clamped into
    // low..setHigh, which is high unless the program may go past what it stores.
    CIntSetting(CSettings* owner, const char* name, int defaultValue, int low, int high, int outside)
        : CIntSetting(owner, name, defaultValue, low, high, outside, high) {}
    CIntSetting(CSettings* owner, const char* name, int defaultValue, int low, int high, int outside,
                int setHigh)
        : m_owner(owner), m_name(name), m_default(defaultValue), m_low(low), m_high(high), m_setHigh(setHigh),
          m_outside(outside), m_value(defaultValue) {}
    CIntSetting(const CIntSetting&) = delete;
    CIntSetting& operator=(const CIntSetting&) = delete;

    const char* Name() const { return m_name; }
    int Default() const { return m_default; }
    int Normalised(int stored) const { return stored < m_low || stored > m_high ? m_outside : stored; }

    int Value() const { return m_value; }
    // Clamped into range; the owner signals when the value really changes.
    void Set(int value);

    int Load();
    bool Save() const;

private:
    CSettings* m_owner;
    const char* m_name;
    int m_default;
    int m_low = INT_MIN;
    int m_high = INT_MAX;
    int m_setHigh = INT_MAX;
    int m_outside = 0;
    int m_value;
};

// A text setting; absent reads as the empty text.
class CStringSetting {
public:
    CStringSetting(CSettings* owner, const char* name) : m_owner(owner), m_name(name) {}
    CStringSetting(const CStringSetting&) = delete;
    CStringSetting& operator=(const CStringSetting&) = delete;

    const char* Name() const { return m_name; }
    const QString& Value() const { return m_value; }
    // The owner signals when the value really changes.
    void Set(const QString& value);

    const QString& Load();
    bool Save() const;

private:
    CSettings* m_owner;
    const char* m_name;
    QString m_value;
};

// The table of settings, by the name of the stored value. The application object owns the one
// the program runs with and hands it to the windows that read or change it; a test makes a fresh
// one. "CharList" is a further name the program once kept; nothing reads or writes it.
class CSettings : public QObject {
    Q_OBJECT

public:
    explicit CSettings(QObject* parent = nullptr) : QObject(parent) {}

    CStringSetting windowPos{this, "WindowPos"};     // show state, left, top, width, height
    CIntSetting isPanel{this, "IsPanel", 0};         // the Toolkit panel is shown at start
    CIntSetting panelWidth{this, "PanelWidth", 150}; // width of the Toolkit panel in pixels
    CIntSetting wrapText{this, "WrapText", 1};       // word wrap on
    CIntSetting autoClip{this, "AutoClip", 0};       // automatic clipboard mode on
    // Tab width in characters: stored 0 to 24, but a width typed in the Settings dialog holds for
    // the session whatever its size.
    CIntSetting tabStops{this, "TabStops", 4, 0, 24, 4, INT_MAX};
    CIntSetting beep{this, "Beep", 2, 0, 37, 0};             // sound setting, 0 to 37 (0 silent)
    CIntSetting toolbarLarge{this, "ToolbarLarge", 1};       // 32 x 32 toolbar with the mode picture
    CIntSetting toolbarVertical{this, "ToolbarVertical", 1}; // toolbar docked at the left edge
    CIntSetting keysCtrlShift{this, "KeysCtrlShift", 0};     // Ctrl+Shift toggles In Russian mode
    CIntSetting blueRus{this, "BlueRus", 1};                 // tint the editor while In Russian mode is on
    CIntSetting blueOrig{this, "BlueOrig", 0};               // tint the editor while In Russian mode is off
    CIntSetting interLang{this, "InterLang", kLangEnglish};  // command id of the interface language
    CIntSetting keepEightBit{this, "KeepEightBit", 0, 0, 1,
                             0};                 // Save writes an 8-bit file in its own code page
    CStringSetting lastDir{this, "LastDir"};     // folder last shown by the MP3 tool and renamer
    CStringSetting printPage{this, "PrintPage"}; // page size, orientation, margins (mm)
    CIntSetting progressX{this, "X", -1};        // left of the progress window, -1 = not yet placed
    CIntSetting progressY{this, "Y", -1};        // top of the progress window, -1 = not yet placed
    // How Convert writes Latin (ELatinScheme, 0 keys); the batch tools' own choices, -1 = as that.
    CIntSetting latinSpelling{this, "LatinSpelling", 0, 0, kLatinSchemeCount - 1, 0};
    CIntSetting mp3Spelling{this, "Mp3Spelling", -1, -1, kLatinSchemeCount - 1, -1};
    CIntSetting renamerSpelling{this, "RenamerSpelling", -1, -1, kLatinSchemeCount - 1, -1};
    // Days a batch run's journal is kept; older ones go when a run starts (read by the journal).
    CIntSetting journalDays{this, "JournalDays", 90, 1, 36500, 90};
    // Misspelt words underlined: 1 on, 0 off, -1 on when a dictionary is installed.
    CIntSetting checkSpelling{this, "CheckSpelling", -1, -1, 1, -1};
    // The fonts' descriptions, "Font" and "FontList": there from LoadSettings to SaveSettingsOnExit
    // (SettingsGui.h), which make the fonts from them.
    std::optional<CLogFont> editorLogFont;
    std::optional<CLogFont> listLogFont;
    // A mail client can be handed a message; LoadSettings (SettingsGui.h) finds out. Not stored.
    bool mailAvailable = false;

signals:
    // name: the stored value's name, e.g. "TabStops".
    void Changed(const QString& name);
};

// The placement of the main window as "WindowPos" holds it.
struct SWindowPos {
    int showState = 1; // 1 normal, 3 maximized
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// True when the text is exactly five comma-separated integers (white space around them allowed);
// anything else leaves pos alone and is ignored by the caller.
bool ParseWindowPos(const QString& text, SWindowPos& pos);
QString FormatWindowPos(const SWindowPos& pos);

// The spelling a batch tool starts with: its own remembered choice, else the "Latin spelling".
int BatchSpelling(const CSettings& settings, const CIntSetting& remembered);
// Sets and stores a spelling choice at once: it takes effect on the next conversion.
void StoreSpelling(CIntSetting& setting, int scheme);

// The character table in the profile: an absent or empty value gives the default keys.
void LoadKeys(CCharTable& table, const QString& section, const QString& entry);
bool SaveKeys(const CCharTable& table, const QString& section, const QString& entry);
