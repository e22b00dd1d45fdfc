// The current resource module and the language switch. English lives in the program's own
// resource tree; Russian and German are binary resource files registered under their own roots
// the first time they are chosen and kept until the process ends, so a module that was handed out
// never goes away. Everything here runs on the user-interface thread.
#include "CResourceModule.h"

#include "CQtResourceModule.h"
#include "InstalledResourceFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QResource>

#include <array>
#include <memory>

namespace {

struct SModuleSlot {
    ELanguage language;
    const char* fileName; // empty for the module built into the program
    const char* root;     // where its tree appears in the resource system
    std::unique_ptr<CQtResourceModule> module;
    int loads = 0;
};

struct SResourceState {
    std::array<SModuleSlot, 3> modules{{
        {kLangEnglish, "", "/lt/en", nullptr, 0},
        {kLangRussian, "Res_RU.rcc", "/lt/ru", nullptr, 0},
        {kLangGerman, "Res_DE.rcc", "/lt/de", nullptr, 0},
    }};
    const CResourceModule* current = nullptr;
    QString folder;

    SResourceState() {
        SModuleSlot& english = modules[0];
        english.module = std::make_unique<CQtResourceModule>(QLatin1Char(':') + QLatin1String(english.root));
        // A damaged build leaves the program without texts rather than without a module.
        english.module->Load(kLangEnglish);
        current = english.module.get();
    }
};

SResourceState& State() {
    static SResourceState state;
    return state;
}

SModuleSlot* Slot(ELanguage language) {
    for (SModuleSlot& slot : State().modules) {
        if (slot.language == language)
            return &slot;
    }
    return nullptr;
}

QStringList SearchFolders() {
    const SResourceState& state = State();
    if (!state.folder.isEmpty())
        return {state.folder};
    QStringList folders;
    QString programFolder;
    if (QCoreApplication::instance() != nullptr) {
        programFolder = QCoreApplication::applicationDirPath();
        folders << programFolder;
    }
    folders << InstalledResourceFolders(programFolder);
    return folders;
}

// Registers the first file of the slot's name that holds a module of the right language.
bool LoadSlot(SModuleSlot& slot) {
    const QString root = QLatin1String(slot.root);
    for (const QString& folder : SearchFolders()) {
        const QString path = QDir(folder).filePath(QLatin1String(slot.fileName));
        if (!QFileInfo(path).isFile() || !QResource::registerResource(path, root))
            continue;
        auto module = std::make_unique<CQtResourceModule>(QLatin1Char(':') + root);
        if (module->Load(slot.language)) {
            slot.module = std::move(module);
            ++slot.loads;
            return true;
        }
        QResource::unregisterResource(path, root);
    }
    return false;
}

} // namespace

const CResourceModule& CurrentResources() {
    return *State().current;
}

bool SetCurrentResources(ELanguage language) {
    SModuleSlot* slot = Slot(language);
    if (slot == nullptr)
        return false;
    if (!slot->module && !LoadSlot(*slot))
        return false;
    State().current = slot->module.get();
    return true;
}

int ResourceLoadCount(ELanguage language) {
    const SModuleSlot* slot = Slot(language);
    return slot == nullptr ? 0 : slot->loads;
}

void SetResourceFolder(const QString& folder) {
    State().folder = folder;
}
