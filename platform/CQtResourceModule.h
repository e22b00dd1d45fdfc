// One resource module as it lies in the Qt resource tree under its own root: "module.json" with the
// strings, menus, accelerators, toolbar layouts and dialog texts, and one file per picture or sound
// in gif/, wave/, bitmap/, toolbar/, icon/ and cursor/, named by its identifier. The texts are read
// once by Load; pictures and sounds are read from the tree whenever they are asked for, so a module
// costs little until it is used.
#pragma once

#include "CResourceModule.h"

#include <QJsonObject>

class CQtResourceModule final : public CResourceModule {
public:
    // root: the module's folder in the resource tree, for example ":/lt/en".
    explicit CQtResourceModule(QString root);

    // Reads module.json. False when it is missing, is not JSON, or belongs to another language
    // (a German file put in place of the Russian one must not pass for Russian). Entries that
    // make no sense are left out.
    bool Load(ELanguage expected);

    ELanguage Language() const override { return m_language; }
    QString String(int id) const override;
    std::vector<int> StringIds() const override;
    std::vector<int> Ids(EResourceType type) const override;
    std::vector<SMenuItem> Menu(int id) const override;
    std::vector<SAcceleratorText> AcceleratorTexts(int id) const override;
    std::vector<int> ToolbarButtons(int id) const override;
    SDialogTexts Dialog(int id) const override;
    QByteArray Gif(int id) const override;
    QByteArray Wave(int id) const override;
    QString FilePath(const char* folder, int id, const char* suffix) const override;

private:
    QByteArray ReadFile(const char* folder, int id, const char* suffix) const;
    std::vector<int> FileIds(const char* folder) const;

    void ReadStrings(const QJsonObject& object);
    void ReadMenus(const QJsonObject& object);
    void ReadAccelerators(const QJsonObject& object);
    void ReadToolbars(const QJsonObject& object);
    void ReadDialogs(const QJsonObject& object);

    QString m_root;
    ELanguage m_language = kLangEnglish;
    std::map<int, QString> m_strings;
    std::map<int, std::vector<SMenuItem>> m_menus;
    std::map<int, std::vector<SAcceleratorText>> m_accelerators;
    std::map<int, std::vector<int>> m_toolbars;
    std::map<int, SDialogTexts> m_dialogs;
};
