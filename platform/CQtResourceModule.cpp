#include "CQtResourceModule.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <utility>

namespace {

// Identifiers are the keys of the JSON objects; a key that is not a whole number is no identifier.
bool ToId(const QString& key, int& id) {
    bool ok = false;
    id = key.toInt(&ok);
    return ok;
}

template <typename Map> std::vector<int> Keys(const Map& map) {
    std::vector<int> ids;
    ids.reserve(map.size());
    for (const auto& entry : map)
        ids.push_back(entry.first);
    return ids;
}

// A popup's items: commands {"id", "text"}, separators {"separator": true}, and popups
// {"text", "items"} in turn.
std::vector<SMenuItem> ReadMenuItems(const QJsonArray& array) {
    std::vector<SMenuItem> items;
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        SMenuItem item;
        if (object.value(QStringLiteral("separator")).toBool()) {
            item.separator = true;
        } else {
            item.text = object.value(QStringLiteral("text")).toString();
            if (object.contains(QStringLiteral("items")))
                item.items = ReadMenuItems(object.value(QStringLiteral("items")).toArray());
            else
                item.id = object.value(QStringLiteral("id")).toInt();
            if (item.text.isEmpty() || (item.id == 0 && item.items.empty()))
                continue;
        }
        items.push_back(std::move(item));
    }
    return items;
}

} // namespace

CQtResourceModule::CQtResourceModule(QString root) : m_root(std::move(root)) {}

bool CQtResourceModule::Load(ELanguage expected) {
    QFile file(m_root + QStringLiteral("/module.json"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject top = document.object();
    if (top.value(QStringLiteral("language")).toInt() != expected)
        return false;
    m_language = expected;
    ReadStrings(top.value(QStringLiteral("strings")).toObject());
    ReadMenus(top.value(QStringLiteral("menus")).toObject());
    ReadAccelerators(top.value(QStringLiteral("accelerators")).toObject());
    ReadToolbars(top.value(QStringLiteral("toolbars")).toObject());
    ReadDialogs(top.value(QStringLiteral("dialogs")).toObject());
    return true;
}

void CQtResourceModule::ReadStrings(const QJsonObject& object) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        int id = 0;
        if (ToId(it.key(), id) && it.value().isString())
            m_strings[id] = it.value().toString();
    }
}

void CQtResourceModule::ReadMenus(const QJsonObject& object) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        int id = 0;
        if (ToId(it.key(), id))
            m_menus[id] = ReadMenuItems(it.value().toArray());
    }
}

void CQtResourceModule::ReadAccelerators(const QJsonObject& object) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        int id = 0;
        if (!ToId(it.key(), id))
            continue;
        std::vector<SAcceleratorText>& table = m_accelerators[id];
        for (const QJsonValue& value : it.value().toArray()) {
            const QJsonObject entry = value.toObject();
            SAcceleratorText accelerator;
            accelerator.id = entry.value(QStringLiteral("id")).toInt();
            accelerator.key = entry.value(QStringLiteral("key")).toString();
            if (accelerator.id != 0)
                table.push_back(accelerator);
        }
    }
}

void CQtResourceModule::ReadToolbars(const QJsonObject& object) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        int id = 0;
        if (!ToId(it.key(), id))
            continue;
        std::vector<int>& buttons = m_toolbars[id];
        for (const QJsonValue& value : it.value().toArray())
            buttons.push_back(value.toInt());
    }
}

void CQtResourceModule::ReadDialogs(const QJsonObject& object) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        int id = 0;
        if (!ToId(it.key(), id))
            continue;
        const QJsonObject dialog = it.value().toObject();
        SDialogTexts& texts = m_dialogs[id];
        texts.title = dialog.value(QStringLiteral("title")).toString();
        const QJsonObject controls = dialog.value(QStringLiteral("controls")).toObject();
        for (auto control = controls.begin(); control != controls.end(); ++control) {
            int controlId = 0;
            if (ToId(control.key(), controlId))
                texts.controls[controlId] = control.value().toString();
        }
    }
}

QString CQtResourceModule::String(int id) const {
    const auto it = m_strings.find(id);
    return it == m_strings.end() ? QString() : it->second;
}

std::vector<int> CQtResourceModule::StringIds() const {
    return Keys(m_strings);
}

std::vector<int> CQtResourceModule::Ids(EResourceType type) const {
    switch (type) {
    case kResString:
        return Keys(m_strings);
    case kResMenu:
        return Keys(m_menus);
    case kResAccelerators:
        return Keys(m_accelerators);
    case kResToolbarButtons:
        return Keys(m_toolbars);
    case kResDialog:
        return Keys(m_dialogs);
    case kResGif:
        return FileIds("gif");
    case kResWave:
        return FileIds("wave");
    case kResBitmap: {
        std::vector<int> ids = FileIds("bitmap");
        for (int id : FileIds("toolbar"))
            ids.push_back(id);
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        return ids;
    }
    case kResToolbar:
        return FileIds("toolbar");
    case kResIcon:
        return FileIds("icon");
    case kResCursor:
        return FileIds("cursor");
    }
    return {};
}

std::vector<SMenuItem> CQtResourceModule::Menu(int id) const {
    const auto it = m_menus.find(id);
    return it == m_menus.end() ? std::vector<SMenuItem>() : it->second;
}

std::vector<SAcceleratorText> CQtResourceModule::AcceleratorTexts(int id) const {
    const auto it = m_accelerators.find(id);
    return it == m_accelerators.end() ? std::vector<SAcceleratorText>() : it->second;
}

std::vector<int> CQtResourceModule::ToolbarButtons(int id) const {
    const auto it = m_toolbars.find(id);
    return it == m_toolbars.end() ? std::vector<int>() : it->second;
}

SDialogTexts CQtResourceModule::Dialog(int id) const {
    const auto it = m_dialogs.find(id);
    return it == m_dialogs.end() ? SDialogTexts() : it->second;
}

QString CQtResourceModule::FilePath(const char* folder, int id, const char* suffix) const {
    return QStringLiteral("%1/%2/%3%4")
        .arg(m_root, QLatin1String(folder), QString::number(id), QLatin1String(suffix));
}

QByteArray CQtResourceModule::ReadFile(const char* folder, int id, const char* suffix) const {
    QFile file(FilePath(folder, id, suffix));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

std::vector<int> CQtResourceModule::FileIds(const char* folder) const {
    std::vector<int> ids;
    const QDir dir(m_root + QLatin1Char('/') + QLatin1String(folder));
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files)) {
        int id = 0;
        if (ToId(info.completeBaseName(), id))
            ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

QByteArray CQtResourceModule::Gif(int id) const {
    return ReadFile("gif", id, ".gif");
}

QByteArray CQtResourceModule::Wave(int id) const {
    return ReadFile("wave", id, ".wav");
}
