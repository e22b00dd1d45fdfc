// The command identifiers of menus, toolbar and accelerators. They are the numbers the resource
// modules use, so a menu item, its toolbar button, its accelerator and its prompt string meet
// under one id.
#pragma once

enum ECommandId : int {
    kCmdFileNew = 57600,
    kCmdFileOpen = 57601,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdFilePrintSetup = 57606,
    kCmdFilePrint = 57607,
    kCmdFilePrintPreview = 57609,
    kCmdFileMruFirst = 57616, // the four recent files, 57616 to 57619
    kCmdFileMruLast = 57619,
    kCmdEditCopy = 57634,
    kCmdEditCut = 57635,
    kCmdEditPaste = 57637,
    kCmdEditSelectAll = 57642,
    kCmdEditUndo = 57643,
    kCmdAppAbout = 57664,
    kCmdAppExit = 57665,
    kCmdNextPane = 57680,
    kCmdPrevPane = 57681,
    kCmdViewToolbar = 59392,
    kCmdViewStatusBar = 59393,
    kCmdViewFont = 32771,
    kCmdViewToolkit = 32773,
    kCmdViewRussian = 32778,
    kCmdSettings = 32795,
    kCmdViewWordWrap = 32867,
    kCmdEditConvert = 32868,
    kCmdEditCopy1251 = 32879,
    kCmdViewAutoClip = 32881,
    kCmdLangEnglish = 32882,
    kCmdLangRussian = 32883,
    kCmdLangGerman = 32884,
    kCmdFileRenamer = 32887,
    kCmdFileSend = 32891,
    kCmdFileMp3 = 32892
};

// Strings that are not command prompts.
enum EStringId : int {
    kStrDocStrings = 128, // window title, document name, new-file name, filter, extension, ...
    kStrAppName = 57344,  // "Lt"
    kStrIdle = 57345,     // "Ready"
    kStrIndicatorCaps = 59137,
    kStrIndicatorNum = 59138,
    kStrIndicatorScroll = 59139,
    kStrMailUnavailable = 61840, // "Unable to load mail system support."
    kStrMailInvalid = 61841,     // "Mail system DLL is invalid."
    kStrMailFailed = 61842       // "Send Mail failed to send message."
};

// Field indexes of the document strings.
enum EDocString : int {
    kDocWindowTitle = 0,
    kDocName = 1,
    kDocNewFileName = 2,
    kDocFilterName = 3,
    kDocFilterExt = 4
};

// Find and Replace, Redo, the caret's place in the status bar, printed pages.
enum EEditorExtraId : int {
    kCmdEditFind = 33700,
    kCmdEditFindNext = 33701,
    kCmdEditReplace = 33702,
    kCmdEditRedo = 33703,
    kStrPrintPage = 1700,  // "Page %1"
    kStrLineColumn = 1701, // "Ln %1, Col %2"
    kStrFindLabel = 1702,  // "Find:"
    kStrReplaceLabel = 1703,
    kStrMatchCase = 1704,
    kStrWholeWord = 1705,
    kStrFindNext = 1706,
    kStrReplace = 1707,
    kStrReplaceAll = 1708,
    kStrNotFound = 1709, // "Cannot find "%1"."
    kStrReplacedCount = 1710,
    kStrCloseBar = 1711
};

// Encodings: saving and reopening in a chosen encoding, repair of double-encoded text.
enum EEncodingId : int {
    kCmdFileSaveWithEncoding = 33600,
    kCmdFileReopenWithEncoding = 33601,
    kCmdEditRepairEncoding = 33602,
    kStrEncodingLabel = 1600,      // "Encoding:"
    kStrSaveWithEncoding = 1601,   // title of the choice
    kStrReopenWithEncoding = 1602, // title of the choice
    kStrLacksCharacters = 1603,    // "%1 cannot hold %2 characters of this text: %3. ..."
    kStrReopenDiscards = 1604,     // "%1 has unsaved changes. Reopen it as %2 and lose them?"
    kStrNothingToRepair = 1605     // "No double-encoded text found."
};
