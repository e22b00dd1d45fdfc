#include "CliJson.h"

#include "UnicodeText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>

namespace {

// JSON text with every character that would hide or reorder the text around it (IsInvisibleControl)
// written as \uXXXX: such characters can only stand inside strings, where the escape means the same.
std::string EscapeInvisible(const QByteArray& json) {
    const QString text = QString::fromUtf8(json);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const char32_t point =
            pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        const qsizetype units = pair ? 2 : 1;
        for (qsizetype k = 0; k < units; ++k) {
            const QChar unit = text.at(i + k);
            if (IsInvisibleControl(point))
                out += QStringLiteral("\\u%1").arg(unit.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += unit;
        }
        i += units - 1;
    }
    return out.toStdString();
}

} // namespace

std::string JsonValue(const QJsonValue& value) {
    // QJsonDocument writes only arrays and objects: the value is written as an array's one element.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return EscapeInvisible(array.mid(1, array.size() - 2));
}

std::string JsonQuote(std::string_view utf8) {
    return JsonValue(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

std::string JsonLine(std::initializer_list<std::pair<const char*, QJsonValue>> fields) {
    std::string out = "{";
    for (const auto& [name, value] : fields)
        out += (out.size() > 1 ? "," : "") + JsonQuote(name) + ':' + JsonValue(value);
    return out + "}\n";
}
