// The Settings dialog: toolbar options for the next start, the Ctrl+Shift mode key, the editor's
// tinting, the sound, whether Save keeps 8-bit files 8-bit, the tab width and the Latin spelling
// Convert writes. It works on the settings object's current values; confirming writes the four
// values the editor reads at once and leaves the rest to the frame's close. Modal, opened by the main frame,
// which applies the tab width again however it was closed. There is no Cancel button: Esc and the close box
// cancel.
#pragma once

#include <QDialog>
#include <QString>

class CSettings;
class QCheckBox;
class QComboBox;
class QLineEdit;

class DSettings : public QDialog {
    Q_OBJECT

public:
    explicit DSettings(CSettings& settings, QWidget* parent = nullptr);

    int m_bToolbarLarge = 0;
    int m_bToolbarVertical = 0;
    int m_bCtrlShift = 0;
    QString m_strTabStops;
    int m_bBeep = 0;
    int m_bBlueRus = 0;
    int m_bBlueOrig = 0;
    int m_bKeepEightBit = 0;
    int m_nLatinSpelling = 0; // ELatinScheme

    // The controls, by their identifiers in the dialog's texts.
    QCheckBox* CheckBox(int id) const;
    QLineEdit* TabStopsEdit() const { return m_editTabStops; }
    QComboBox* SpellingCombo() const { return m_comboSpelling; }

    // Members to controls (false) or controls to members (true).
    void DoDataExchange(bool saveAndValidate);
    void OnInitDialog();
    // Confirming: stores and sets the current values, then closes.
    void accept() override;

private:
    CSettings& m_settings;
    QCheckBox* m_checkLarge = nullptr;
    QCheckBox* m_checkVertical = nullptr;
    QCheckBox* m_checkCtrlShift = nullptr;
    QCheckBox* m_checkBeep = nullptr;
    QCheckBox* m_checkBlueRus = nullptr;
    QCheckBox* m_checkBlueOrig = nullptr;
    QCheckBox* m_checkKeepEightBit = nullptr;
    QLineEdit* m_editTabStops = nullptr;
    QComboBox* m_comboSpelling = nullptr;
};

// The tab width the text stands for: its leading decimal number, 0 when it has none; a number too
// large for an int gives the largest int rather than wrapping.
int LeadingNumber(const QString& text);
