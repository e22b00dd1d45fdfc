// Resource modules: every user-visible text, menu, dialog text, picture and sound of the program
// under numeric identifiers, one module per interface language. English is built into the
// program; Russian and German are resource files beside the program, loaded on first use.
// Everything that shows something to the user asks the current module at the moment it needs it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QKeySequence>
#include <QString>

#include <map>
#include <vector>

// The languages, by the command identifiers that choose them.
enum ELanguage : int { kLangEnglish = 32882, kLangRussian = 32883, kLangGerman = 32884 };

// The kinds of resource a module holds, for listing their identifiers.
enum EResourceType : int {
    kResString,
    kResMenu,
    kResAccelerators,
    kResToolbarButtons,
    kResDialog,
    kResGif,
    kResWave,
    kResBitmap,
    kResToolbar,
    kResIcon,
    kResCursor
};

// Numbers of our own: strings the program shows that came without a number, and the group boxes
// of the settings dialog.
enum EExtraResourceId : int {
    kStrProgressTitle = 150,  // title of the progress window, before its percentage
    kStrProgressCancel = 151, // its button, " Cancel " with a blank on each side
    kStrNetworkRoot = 152,    // the folder picker's "Network Neighborhood" item
    kStrMakerUrl = 153,       // the maker's web address (bitmap 188 shows it)
    kStrAskToSave = 154,      // "Save changes to %1?"
    kStrAllFilesFilter = 155, // "All Files (*)"
    kStrCannotOpen = 156,     // "Cannot open the file %1."
    kStrCannotSave = 157,     // "Cannot save the file %1."
    kCtlToolbarGroup = 1025,  // dialog 7176: group box "Toolbar by start"
    kCtlOtherGroup = 1026,    // dialog 7176: group box "Other"
    kCtlTabStopsGroup = 1027  // dialog 7176: group box "Tab Stops"
};

// One item of a menu resource: a command, a separator, or a popup with items of its own.
struct SMenuItem {
    int id = 0;   // command identifier; 0 for separators and popups
    QString text; // with "&" for the mnemonic and "\t" before the shortcut text
    bool separator = false;
    std::vector<SMenuItem> items; // the popup's items; empty for commands and separators
};

// One entry of an accelerator table.
struct SAccelerator {
    int id = 0;
    QKeySequence key;
};

// The texts of one dialog: its title and the text of each control by control identifier.
struct SDialogTexts {
    QString title;
    std::map<int, QString> controls;
};

class CResourceModule {
public:
    virtual ~CResourceModule() = default;

    virtual ELanguage Language() const = 0;
    // Empty when the module lacks the id.
    virtual QString String(int id) const = 0;
    virtual std::vector<int> StringIds() const = 0;
    // The identifiers of every resource of one kind, ascending.
    virtual std::vector<int> Ids(EResourceType type) const = 0;
    // Top-level items (popups) of menu 128, or the popups "List" and "View" of menu 139.
    virtual std::vector<SMenuItem> Menu(int id) const = 0;
    virtual std::vector<SAccelerator> Accelerators(int id) const = 0;
    // The command of each item of toolbar 128 or 129, left to right, 0 for a separator; the
    // buttons' images stand side by side in Toolbar(id), one square of the strip's height each.
    virtual std::vector<int> ToolbarButtons(int id) const = 0;
    virtual SDialogTexts Dialog(int id) const = 0;
    // Raw "GIF" and "WAVE" resources; empty when missing.
    virtual QByteArray Gif(int id) const = 0;
    virtual QByteArray Wave(int id) const = 0;
    // Bitmaps (Bitmap(128) and Bitmap(129) are the toolbar strips too), the icon and the cursor
    // image; null when missing.
    virtual QImage Bitmap(int id) const = 0;
    virtual QImage Toolbar(int id) const = 0;
    // The toolbar strip drawn at twice the size, for screens scaled by 2; null when missing.
    virtual QImage Toolbar2x(int id) const = 0;
    virtual QImage Icon(int id) const = 0;
    // The hot spot is in the image texts "HotSpotX" and "HotSpotY".
    virtual QImage Cursor(int id) const = 0;
};

// The current module: English until a switch succeeds.
const CResourceModule& CurrentResources();
// Makes the language's module current, loading its file on first use. A module that cannot be
// loaded leaves the current one in place and gives false; the next call tries again.
bool SetCurrentResources(ELanguage language);
// How many times the language's module file has been loaded (a module is loaded at most once
// while it loads successfully).
int ResourceLoadCount(ELanguage language);
// The folder holding the language resource files; by default the program's own folder, then
// the installed data folder. Tests point it elsewhere.
void SetResourceFolder(const QString& folder);
