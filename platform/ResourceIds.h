// Every identifier the resource modules use: commands, strings, menus, accelerator tables,
// toolbars, dialogs, pictures and sounds. They are the numbers of the stored resources, so a menu
// item, its toolbar button, its accelerator and its prompt string meet under one command id.
// Control identifiers stay with the dialog that owns them.
#pragma once

// Commands of the menus, the toolbar, the accelerators and the popups; a command's prompt string
// has the same number.
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
    kCmdDefaultKeys = 32786, // Toolkit list popup
    kCmdListFont = 32787,    // Toolkit list popup
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
    kCmdFileMp3 = 32892,
    kCmdUndoLastRun = 33400, // Extra menu: undoes the last batch run
    kCmdFileSaveWithEncoding = 33600,
    kCmdFileReopenWithEncoding = 33601,
    kCmdEditRepairEncoding = 33602,
    kCmdEditFind = 33700,
    kCmdEditFindNext = 33701,
    kCmdEditReplace = 33702,
    kCmdEditRedo = 33703,
    kCmdEditGoToLine = 33704,
    kCmdEditCheckSpelling = 33710,
    // Toolkit list popup, one per Latin spelling (kLatinSchemes' menuCommand, in its order).
    kCmdSpellingFirst = 33900,
    kCmdSpellingLast = 33919
};

// The interface languages, by the commands that choose them.
enum ELanguage : int {
    kLangEnglish = kCmdLangEnglish,
    kLangRussian = kCmdLangRussian,
    kLangGerman = kCmdLangGerman
};

// Strings that are not command prompts.
enum EStringId : int {
    kStrDocStrings = 128, // window title, document name, new-file name, filter, extension, ...
    kStrMakerMail = 129,  // the maker's mail address
    kStrColFileName = 132,
    kStrColTranslit = 133,
    kStrColAlbum = 134,
    kStrColArtist = 135,
    kStrColComment = 136,
    kStrColTitle = 137,
    kStrColYear = 138,
    kStrColComposer = 139,
    kStrColOrigArtist = 141,
    kStrProgressTitle = 150,  // title of the progress window, before its percentage
    kStrProgressCancel = 151, // its button, " Cancel " with a blank on each side
    kStrNetworkRoot = 152,    // the folder picker's "Network Neighborhood" item
    kStrMakerUrl = 153,       // the maker's web address (bitmap 188 shows it)
    kStrAskToSave = 154,      // "Save changes to %1?"
    kStrAllFilesFilter = 155, // "All Files (*)"
    kStrCannotOpen = 156,     // "Cannot open the file %1."
    kStrCannotSave = 157,     // "Cannot save the file %1."
    kStrSummary = 158,        // renamer: "%1 renamed, %2 not renamed."
    kStrRefused = 159,        // renamer: "\"%1\" was not renamed: %2"
    kStrNameTaken = 160,      // the new name is taken (shared with the first renamer)
    kStrNotWritten = 165,     // "The tags of these files could not be written:"
    kStrMoreFailures = 1318,  // "... and %1 more files (see the details)"
    kStrOnlyFirst = 1319,     // "Only the first %1 of %2 MP3 files in this folder are shown."

    // Batch tools (renamer, MP3 tool, undo): reasons of refusals, the undo command and its reports.
    kStrNoKey = 1400,           // no key for «%1»
    kStrUnsoundName = 1401,     // the new name would not be a sound name
    kStrNameTooLong = 1402,     // the new name would be too long for the file system
    kStrNameCollides = 1404,    // an earlier entry gets the same new name
    kStrNotWritable = 1405,     // the folder is not writable
    kStrEntryChanged = 1406,    // the entry changed since it was listed
    kStrJournalFailed = 1407,   // the journal could not be written: %1
    kStrWouldRefuse = 1408,     // %1 to rename, %2 would be refused.
    kStrUndoLastRun = 1409,     // Undo Last Run
    kStrUndoSummary = 1410,     // %1 undone, %2 not undone.
    kStrNotUndone = 1411,       // "%1" was not undone: %2
    kStrNothingToUndo = 1412,   // There is no run to undo.
    kStrUndoneAlready = 1413,   // That run was undone already.
    kStrChangedSinceRun = 1414, // it changed since the run
    kStrOldNameTaken = 1415,    // the old name is taken
    kStrEntryGone = 1416,       // it is not there any more
    kStrUndoConfirm = 1417,     // Undo the run of %1 (%2): %3 changes?
    kStrFileNotWritable = 1418, // the file is not writable
    kStrCannotUndoHere = 1419,  // not a change this tool can undo

    // Undo that checks where it acts: journals that prove themselves, leftovers that are ours.
    kStrOutsideRun = 2400,       // not where the run acted (outside its folder, or through a link)
    kStrJournalEndsEarly = 2401, // the journal ends early: %1 changes may not be undone
    kStrUndoneMarkFailed = 2402, // the run could not be marked undone: %1
    kStrUndoRunHead = 2403,      // %1 run in %2, %3 (tool, folder, time)
    kStrLeftoverNotOurs = 2404,  // %1 is named like a temporary file ... no journal recorded it: left
    kStrNoRunHere = 2405,        // There is no run to undo in this folder.
    kStrNotRegularFile = 2406,   // not a regular file: left unopened
    kStrChooseRun = 2407,        // Undo which run?
    kStrRunItem = 2408,          // %1, %2: %3 changes in %4 (tool, time, count, folder)

    // Encodings: saving and reopening in a chosen encoding, repair of double-encoded text.
    kStrEncodingLabel = 1600,      // "Encoding:"
    kStrSaveWithEncoding = 1601,   // title of the choice
    kStrReopenWithEncoding = 1602, // title of the choice
    kStrLacksCharacters = 1603,    // "%1 cannot hold %2 characters of this text: %3. ..."
    kStrReopenDiscards = 1604,     // "%1 has unsaved changes. Reopen it as %2 and lose them?"
    kStrNothingToRepair = 1605,    // "No double-encoded text found."

    // Batch previews the user corrects: the reading of a row, skipped rows, typed Latin names.
    kStrReadAs = 2100,      // "Read as"
    kStrNotRussian = 2101,  // "Windows-1252 (not Russian)"
    kStrSkip = 2102,        // "Skip"
    kStrReadIn = 2103,      // "Read in"
    kStrEditName = 2104,    // "Edit Latin Name"
    kStrEditRefused = 2105, // "\"%1\" cannot be the new name: %2"
    kStrSkipped = 2106,     // "skipped"
    kStrChosen = 2107,      // "chosen"
    kStrNameIsTaken = 2108, // "the name is taken"
    kStrRepaired = 2109,    // "repaired"
    // A batch run stopped by the user.
    kStrRunStopped = 2600, // "Stopped: %1 done, %2 not started."
    // The editor shows a very long line in pieces.
    kStrLongLinesCut =
        2620, // "Long lines are shown wrapped at 10,000 characters; the file keeps them whole."
    // What the batch tools write Russian as: Latin, or Unicode Cyrillic.
    kStrTargetLabel = 2700,    // "Write Russian as"
    kStrTargetLatin = 2701,    // "Latin"
    kStrTargetCyrillic = 2702, // "Cyrillic (Unicode)"
    kStrComposeNames = 2703,   // "Compose decomposed names (NFC)"
    kStrId3v1LeftAlone = 2704, // "ID3v1 tags cannot hold Cyrillic: %1 files keep ..."
    kStrColNewName = 2705,     // "New name"

    // The verified replace keeping a file's metadata; tags a rewrite must not touch; keys.
    kStrMetaUnreadable = 2500,   // "cannot read the file's attributes"
    kStrMetaNotGiven = 2501,     // "cannot give the copy the file's attributes"
    kStrMetaCannotKeep = 2502,   // "the file's owner, set-id bits or capabilities cannot be kept"
    kStrMetaNotRestored = 2503,  // "the file's attributes could not be set again after the rewrite"
    kStrFolderNotFlushed = 2504, // "the file was replaced, but its folder could not be written to disk"
    kStrTagCutShort = 2505,      // "tag cut short (file may be incomplete)"
    kStrKeyInvisible = 2506,     // "A key cannot hold control or invisible formatting characters (%1)."
    kStrNameIsSecondLink = 2510, // "the new name is another link to this file"
    kStrNotMp4 = 3240,           // "not an MP4 file"
    kStrMp4Fragmented = 3241,    // "a fragmented MP4 file: its tags are not rewritten"

    // Judgements about text: the way back to the detected reading, names that no reading takes.
    kStrAsDetected = 2300,       // "As detected"
    kStrInvalidNameBytes = 2301, // the name holds bytes that are not valid UTF-8

    // The editor keeps the file as it was: bytes it cannot read, changes on disk, recovery.
    kStrInvalidBytes = 2200,
    kStrReopenButton = 2201,
    kStrChangedOnDisk = 2202,
    kStrGoneFromDisk = 2203,
    kStrReload = 2204,
    kStrKeepMine = 2205,
    kStrOverwriteQuestion = 2206,
    kStrOverwrite = 2207,
    kStrSaveAsButton = 2208,
    kStrLooksBinary = 2209,
    kStrIsFolder = 2210,
    kStrNewFile = 2211,
    kStrRecoverQuestion = 2212,
    kStrRecover = 2213,
    kStrDiscard = 2214,
    kStrLater = 2215,
    kStrSavedInPlace = 2216,
    kStrReloadDiscards = 2217,
    kStrMixedLineEnds = 2218,

    // The writer's editor.
    kStrCopyLacks = 2900,     // "Windows-1251 cannot hold %1 characters of the selection: %2. ..."
    kStrGoToLineTitle = 2901, // "Go to Line"
    kStrGoToLineLabel = 2902, // "Line number (1–%1):"
    kStrFindWrapped = 2903,   // "Wrapped to the top."

    // Spelling as you type: the context menu's part for a misspelt word.
    kStrSpellAddToDictionary = 3000,
    kStrSpellIgnore = 3001,
    kStrSpellNoSuggestions = 3002, // "(no suggestions)", greyed
    kStrSpellAddFailed = 3003,     // "\"%1\" could not be added to your dictionary: %2"

    // Find and Replace, the caret's place in the status bar, printed pages.
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
    kStrCloseBar = 1711,

    kStrFilesNotOpened = 1800, // "Lettrino opens one file at a time. ...:\n%1"
    kStrSpellingLabel = 1900,  // "Latin spelling"
    kStrTipKeySequence = 1906, // "\"%1\" is also typed as %2 (%3): ..."

    // Ranges reserved for lists that grow, so that a new entry never runs into the next id:
    // 3100-3119 the Latin spellings' display names (kLatinSchemes' nameString, "My keys" first);
    // 3120-3199 free for the spellings' other texts. Commands: 33900-33919, kCmdSpellingFirst.
    kStrSpellingNameFirst = 3100,
    kStrSpellingNameLast = 3119,

    // The renamer's playlists and CUE sheets: why one is not rewritten, and the dialog's line on
    // which of them follow (3220-3239). The entry counts go by Russian's three plural forms.
    kStrPlaylistTooBig = 3220,     // larger than %1 MiB, not taken for a playlist
    kStrPlaylistReadBack = 3221,   // the copy does not read back as written
    kStrPlaylistCannotHold = 3222, // %1 cannot hold «%2» of the new name %3
    kStrPlaylistUtf16 = 3223,      // written in %1, which is not rewritten; save it as UTF-8 first
    kStrPlaylistBudget = 3224,     // the run's journal would keep more than %1 MiB of playlists
    kStrPlaylistsFollow = 3225,    // Playlists that follow: %1
    kStrPlaylistsRefused = 3226,   // Playlists that would not follow: %1
    kStrPlaylistEntryOne = 3227,   // 1 entry
    kStrPlaylistEntries1 = 3228,   // %1 entries (21, 31, ...)
    kStrPlaylistEntries2 = 3229,   // %1 entries (2-4, 22-24, ...)
    kStrPlaylistEntries5 = 3230,   // %1 entries (the rest)

    // The tags dialog over MP3, FLAC, Ogg Vorbis and Opus files (3200-3219).
    kStrOnlyFirstAudio = 3200, // "Only the first %1 of %2 audio files in this folder are shown."
    kStrCueTooLarge = 3201,    // "larger than %1 MiB, not taken for a CUE sheet"
    kStrCueNoLine = 3202,      // "the sheet has no %1 line to hold the text"
    kStrCueLineCount = 3203,   // "the sheet's %1 %2 lines take as many texts joined by \" / \""
    kStrCueQuote = 3204,       // "a CUE sheet cannot hold the double quote in «%1»"
    kStrCueBom = 3205,         // "CUE sheets in UTF-8 with a byte order mark"

    kStrAppName = 57344, // "Lt"
    kStrIdle = 57345,    // "Ready"
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

// Menus, the accelerator table and the two toolbars.
enum EMenuId : int {
    kMenuMain = 128,   // the menu bar
    kMenuPopups = 139, // the popups "List" and "View"
    kAccelMain = 128,
    kToolbarLarge = 128, // 32 x 32, with the mode picture; also Bitmap(128)
    kToolbarSmall = 129  // 16 x 16; also Bitmap(129)
};

// Dialog texts, and the numbers of our own for the group boxes of the settings dialog.
enum EDialogId : int {
    kDlgAbout = 100,
    kDlgGetPath = 210,
    kDlgRenamer = 211,
    kDlgTags = 214,
    kDlgSettings = 7176,
    kDlgFileMp3 = 7177,
    kCtlToolbarGroup = 1025, // dialog 7176: group box "Toolbar by start"
    kCtlOtherGroup = 1026,   // dialog 7176: group box "Other"
    kCtlTabStopsGroup = 1027 // dialog 7176: group box "Tab Stops"
};

// Pictures: GIF animations, bitmaps, the icon and the cursor.
enum EPictureId : int {
    kGifLogo = 189,
    kGifModeOn = 195, // the In Russian picture, also the About box's sign
    kGifModeOff = 199,
    kBmpCharRows = 135, // the Toolkit list's row pictures
    kBmpUrl = 188,
    kBmpMail = 189,
    kBmpStrip = 213, // folders, drives, network, file
    kBmpSplash = 2001,
    kIconMain = 128,
    kCursorHand = 133
};

// Sounds (WAVE resources).
enum ESoundId : int { kWaveType1 = 143, kWaveType15 = 158, kWaveModeOn = 204, kWaveModeOff = 207 };
