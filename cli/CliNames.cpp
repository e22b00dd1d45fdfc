#include "CliNames.h"

#include "RawNames.h"
#include "TextEncoding.h"

#include <QList>
#include <QStringList>

#include <cstdlib>
#include <set>
#include <sys/stat.h>
#include <utility>

QString DecodedPath(const QByteArray& raw) {
    QStringList parts;
    for (const QByteArray& part : raw.split('/'))
        parts << DecodeRawName(part);
    return parts.join(QLatin1Char('/'));
}

std::string PathForPeople(const QByteArray& raw) {
    const QByteArray escaped = RawToEscaped(raw);
    const QByteArray decoded = RawToEscaped(DecodedPath(raw).toUtf8());
    std::string out = escaped.toStdString();
    if (decoded != escaped)
        out += "  (" + decoded.toStdString() + ")";
    return out;
}

const char* EncodingName(unsigned codePage) {
    ETextEncoding encoding = ETextEncoding::kUtf8;
    EncodingFromCodePage(codePage, encoding);
    return EncodingName(encoding);
}

QByteArray RealPaths(const std::vector<std::string>& paths) {
    QByteArray real;
    for (const std::string& path : paths) {
        char* resolved = realpath(path.c_str(), nullptr);
        real += (real.isEmpty() ? "" : "\n") + QByteArray(resolved ? resolved : path.c_str());
        std::free(resolved);
    }
    return real;
}

std::vector<std::string> DistinctPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> distinct;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const std::string& path : paths) {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0 || seen.insert({info.st_dev, info.st_ino}).second)
            distinct.push_back(path);
    }
    return distinct;
}

QByteArray ChildPath(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}
