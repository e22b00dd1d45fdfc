// Resource modules: every user-visible text, menu, dialog text, picture and sound of the program
// under numeric identifiers, one module per interface language. English is built into the
// program; Russian and German are resource files beside the program, loaded on first use.
// Everything that shows something to the user asks the current module at the moment it needs it.
#pragma once

#include "ResourceIds.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

class QImage;
struct SAccelerator; // CResourceModuleGui.h

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

// One item of a menu resource: a command, a separator, or a popup with items of its own.
struct SMenuItem {
    int id = 0;   // command identifier; 0 for separators and popups
    QString text; // with "&" for the mnemonic and "\t" before the shortcut text
    bool separator = false;
    std::vector<SMenuItem> items; // the popup's items; empty for commands and separators
};

// One entry of an accelerator table as the module stores it: the key in portable text, so
// "Ctrl+Ins" reads the same whatever the user's locale.
struct SAcceleratorText {
    int id = 0;
    QString key;
};

// The texts of one dialog: its title and the text of each control by control identifier.
struct SDialogTexts {
    QString title;
    std::map<int, QString> controls;

    // Empty when the dialog has no text for the control.
    QString Control(int id) const {
        const auto it = controls.find(id);
        return it == controls.end() ? QString() : it->second;
    }
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
    virtual std::vector<SAcceleratorText> AcceleratorTexts(int id) const = 0;
    // The command of each item of toolbar 128 or 129, left to right, 0 for a separator; the
    // buttons' images stand side by side in Toolbar(id), one square of the strip's height each.
    virtual std::vector<int> ToolbarButtons(int id) const = 0;
    virtual SDialogTexts Dialog(int id) const = 0;
    // Raw "GIF" and "WAVE" resources; empty when missing.
    virtual QByteArray Gif(int id) const = 0;
    virtual QByteArray Wave(int id) const = 0;
    // Where a picture lies in the module: folder "bitmap", "toolbar", "icon" or "cursor", the
    // identifier, then the suffix (".png", "@2x.png").
    virtual QString FilePath(const char* folder, int id, const char* suffix) const = 0;

    // The GUI part of the platform (CResourceModuleGui.cpp) makes the pictures and the keys; the
    // engines and lettrino-cli, which link only Qt Core, never ask for them.
    // The accelerators whose key is one valid key combination.
    std::vector<SAccelerator> Accelerators(int id) const;
    // Bitmaps (Bitmap(128) and Bitmap(129) are the toolbar strips too), the icon and the cursor
    // image; null when missing.
    QImage Bitmap(int id) const;
    QImage Toolbar(int id) const;
    // The toolbar strip drawn at twice the size, for screens scaled by 2; null when missing.
    QImage Toolbar2x(int id) const;
    QImage Icon(int id) const;
    // The hot spot is in the image texts "HotSpotX" and "HotSpotY".
    QImage Cursor(int id) const;
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
