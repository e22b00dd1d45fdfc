// The settings of section "Settings": one process-wide current value per stored value, with its
// default and the range it is brought into when read. Each window reads the values it needs when
// it is created and the writers store them at the moments they own (frame close, the Settings
// dialog, the progress window); changing a current value never writes it by itself.
//
// The section also holds the character table ("Chars") and the two fonts ("Font", "FontList"),
// which LoadSettings (SettingsGui.h) reads at start-up and SaveSettingsOnExit writes at exit.
#pragma once

#include <QString>

#include <climits>

class CCharTable;

// The one section all settings live in.
inline constexpr char kSettingsSection[] = "Settings";

// An integer setting. Load reads the stored value (the default when absent or not an integer),
// brings it into range and makes it the current value; Save writes the current value.
class CIntSetting {
public:
    constexpr CIntSetting(const char* name, int defaultValue)
        : m_name(name), m_default(defaultValue), m_value(defaultValue) {}
    // A stored value outside low..high reads as outside.
    constexpr CIntSetting(const char* name, int defaultValue, int low, int high, int outside)
        : m_name(name), m_default(defaultValue), m_low(low), m_high(high), m_outside(outside),
          m_value(defaultValue) {}

    const char* Name() const { return m_name; }
    int Default() const { return m_default; }
    int Normalised(int stored) const { return stored < m_low || stored > m_high ? m_outside : stored; }

    int Value() const { return m_value; }
    void Set(int value) { m_value = value; }

    int Load();
    bool Save() const;

private:
    const char* m_name;
    int m_default;
    int m_low = INT_MIN;
    int m_high = INT_MAX;
    int m_outside = 0;
    int m_value;
};

// A text setting; absent reads as the empty text.
class CStringSetting {
public:
    constexpr explicit CStringSetting(const char* name) : m_name(name) {}

    const char* Name() const { return m_name; }
    const QString& Value() const { return m_value; }
    void Set(const QString& value) { m_value = value; }

    const QString& Load();
    bool Save() const;

private:
    const char* m_name;
    QString m_value;
};

// The table of settings, by the name of the stored value.
extern CStringSetting g_windowPos;    // "WindowPos": show state, left, top, width, height
extern CIntSetting g_isPanel;         // "IsPanel": the Toolkit panel is shown at start
extern CIntSetting g_panelWidth;      // "PanelWidth": width of the Toolkit panel in pixels
extern CIntSetting g_wrapText;        // "WrapText": word wrap on
extern CIntSetting g_autoClip;        // "AutoClip": automatic clipboard mode on
extern CIntSetting g_tabStops;        // "TabStops": tab width in characters, 0 to 24
extern CIntSetting g_beep;            // "Beep": sound setting, 0 to 37 (0 silent)
extern CIntSetting g_toolbarLarge;    // "ToolbarLarge": 32 x 32 toolbar with the mode picture
extern CIntSetting g_toolbarVertical; // "ToolbarVertical": toolbar docked at the left edge
extern CIntSetting g_keysCtrlShift;   // "KeysCtrlShift": Ctrl+Shift toggles In Russian mode
extern CIntSetting g_blueRus;         // "BlueRus": tint the editor while In Russian mode is on
extern CIntSetting g_blueOrig;        // "BlueOrig": tint the editor while In Russian mode is off
extern CIntSetting g_interLang;       // "InterLang": command id of the interface language
extern CStringSetting g_lastDir;      // "LastDir": folder last shown by the MP3 tool and renamer
extern CIntSetting g_progressX;       // "X": left of the progress window, -1 = not yet placed
extern CIntSetting g_progressY;       // "Y": top of the progress window, -1 = not yet placed
extern CIntSetting g_latinSpelling;   // "LatinSpelling": how Convert writes Latin (ELatinScheme, 0 keys)
extern CIntSetting g_mp3Spelling;     // "Mp3Spelling": the MP3 tool's choice, -1 = as LatinSpelling
extern CIntSetting g_renamerSpelling; // "RenamerSpelling": the renamer's choice, -1 = as LatinSpelling

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
int BatchSpelling(const CIntSetting& remembered);
// Sets and stores a spelling choice at once: it takes effect on the next conversion.
void StoreSpelling(CIntSetting& setting, int scheme);

// The character table in the profile: an absent or empty value gives the default keys.
void LoadKeys(CCharTable& table, const QString& section, const QString& entry);
bool SaveKeys(const CCharTable& table, const QString& section, const QString& entry);
