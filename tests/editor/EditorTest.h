// The editor suites, run one after the other by EditorTestMain.cpp.
#pragma once

#include "Settings.h"

#include <QObject>

#include <optional>

class CLtView;
class QString;
class QWidget;

// Types the keys one by one as a user would; a line feed is the Enter key.
void TypeKeys(QWidget* widget, const QString& keys);

class TestEditorView : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void typing_data();
    void typing();
    void latinModeTypesAsIs();
    void typingEqualsWholeTextConversion();
    void typingMidTextUsesOnlyTheKeysBefore();
    void undoTakesBackKeyWithItsLetter();
    void findFieldTypesLikeTheEditor();
    void modeKeys();
    void greyBackgroundFollowsMode();
    void viewFollowsWrapAndTabWidth();
    void sounds();
    void typingHasNoLimit();
    void convertThereAndBack();
    void convertDirectionAndEdges();
    void doubleClickSelectsWord();
    void pasteRepairsEightBitCyrillic();
    void copy1251RoundTrip();
    void repairEncoding();
    void copyKeepsEveryCharacter();
    void autoClipOnFocusLoss();
    void wordWrapKeepsTabStops();
    void storedSettingsAreRead();
    void contextMenuGreysWithoutSelection();

private:
    std::optional<CSettings> m_settings; // fresh for each test
    CLtView* m_view = nullptr;
};

class TestDocument : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensEncodings_data();
    void opensEncodings();
    void zeroDoesNotCutText();
    void saveWritesUtf16AndReadsBack();
    void eightBitSave();
    void crlfLineEndsKept();
    void failedSaveKeepsOldFile();
    void saveModifiedPrompt();
    void sendHandsCopyToMailClient();
    void documentWithoutAView();
    void saveKeepsUnicodeEncoding_data();
    void saveKeepsUnicodeEncoding();
    void saveWithEachEncodingAndReopen();
    void eightBitFileKeepsItsCodePageWhenAsked();
    void eightBitSaveAsksBeforeLosing();
    void roundTripKeepsEveryByte_data();
    void roundTripKeepsEveryByte();
    void keptBytesNeverBecomeUtf16();
    void binaryFileAsks();
    void changedOnDiskAsksBeforeOverwriting();
    void recoveryAfterAKill();
    void readOnlyFolderWritesInPlace();
    void openingCleansWhatKilledSavesLeft();
    void longLineShownInPiecesSavesWhole();

private:
    CSettings m_settings;
    CLtView* m_view = nullptr;
    class CLtDoc* m_doc = nullptr;
};
