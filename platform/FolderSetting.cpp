#include "FolderSetting.h"

#include "Settings.h"
#include "Utf8.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <string>

QString RawPathToSetting(const QByteArray& path) {
    std::u16string text;
    const auto* bytes = reinterpret_cast<const unsigned char*>(path.constData());
    if (!path.startsWith('%') && Utf8ToUtf16Checked(bytes, std::size_t(path.size()), text))
        return QString::fromStdU16String(text);
    return QString::fromLatin1(path.toPercentEncoding());
}

QByteArray RawPathFromSetting(const QString& text) {
    if (text.startsWith(QLatin1Char('%')))
        return QByteArray::fromPercentEncoding(text.toLatin1());
    return text.toUtf8();
}

QByteArray LastFolder(CSettings& settings) {
    const QByteArray last = RawPathFromSetting(settings.lastDir.Load());
    struct stat info {};
    if (!last.isEmpty() && ::stat(last.constData(), &info) == 0 && S_ISDIR(info.st_mode))
        return last;
    return QFile::encodeName(QDir::currentPath());
}

void RememberFolder(CSettings& settings, const QByteArray& path) {
    settings.lastDir.Set(RawPathToSetting(path));
    settings.lastDir.Save();
}
