#include "CSpellChecker.h"

#include "DocFileIo.h"
#include "TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <hunspell.hxx>

#include <string>

namespace {

constexpr char kSystemFolder[] = "/usr/share/hunspell";

bool IsCyrillic(QChar ch) {
    return ch.script() == QChar::Script_Cyrillic;
}
bool IsLatin(QChar ch) {
    return ch.script() == QChar::Script_Latin;
}
bool IsJoiner(QChar ch) {
    return ch == u'-' || ch == u'\'' || ch == u'\u2019';
}

} // namespace

// A dictionary and the encoding its files are written in (their SET line): Hunspell takes and
// gives words in that encoding, which need not be UTF-8.
struct CSpellChecker::SDictionary {
    enum class EKind { kUtf8, kLatin1, kEightBit };
    std::unique_ptr<Hunspell> hunspell;
    EKind kind = EKind::kUtf8;
    ETextEncoding encoding = ETextEncoding::kUtf8;

    static std::unique_ptr<SDictionary> Open(const QString& folder, const QString& name) {
        const QString aff = folder + u'/' + name + QStringLiteral(".aff");
        const QString dic = folder + u'/' + name + QStringLiteral(".dic");
        if (!QFileInfo(aff).isFile() || !QFileInfo(dic).isFile())
            return nullptr;
        auto result = std::make_unique<SDictionary>();
        result->hunspell = std::make_unique<Hunspell>(QFile::encodeName(aff).constData(),
                                                      QFile::encodeName(dic).constData());
        const QString set = QString::fromStdString(result->hunspell->get_dict_encoding()).toLower();
        if (set == u"utf-8" || set == u"utf8")
            result->kind = EKind::kUtf8;
        else if (set == u"iso8859-1" || set == u"iso-8859-1")
            result->kind = EKind::kLatin1;
        else if (ParseEncodingName(
                     (set == u"microsoft-cp1251" ? QStringLiteral("cp1251") : set).toStdString(),
                     result->encoding) &&
                 !IsUnicodeEncoding(result->encoding))
            result->kind = EKind::kEightBit;
        else
            return nullptr; // an encoding we have no table for: the language goes unchecked
        return result;
    }

    // False when the dictionary's encoding cannot hold the word: it cannot know it either.
    bool Encode(const QString& word, std::string& out) const {
        switch (kind) {
        case EKind::kUtf8:
            out = word.toStdString();
            return true;
        case EKind::kLatin1:
            for (const QChar ch : word) {
                if (ch.unicode() > 0xFF)
                    return false;
            }
            out = word.toLatin1().toStdString();
            return true;
        case EKind::kEightBit: {
            SEncodedText encoded = EncodeText(word.toStdU16String(), {encoding, false});
            out = std::move(encoded.bytes);
            return encoded.lacking == 0;
        }
        }
        return false;
    }

    QString Decode(const std::string& bytes) const {
        switch (kind) {
        case EKind::kUtf8:
            return QString::fromStdString(bytes);
        case EKind::kLatin1:
            return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
        case EKind::kEightBit:
            return QString::fromStdU16String(DecodeText(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                        bytes.size(), {encoding, false}));
        }
        return {};
    }
};

CSpellChecker::CSpellChecker(const QString& folder, QObject* parent) : QObject(parent) {
    const QString from = folder.isEmpty() ? QString::fromLatin1(kSystemFolder) : folder;
    m_russian = SDictionary::Open(from, QStringLiteral("ru_RU"));
    m_english = SDictionary::Open(from, QStringLiteral("en_US"));
    LoadPersonalList();
}

CSpellChecker::~CSpellChecker() = default;

CSpellChecker& CSpellChecker::Shared() {
    static CSpellChecker* checker = new CSpellChecker;
    return *checker;
}

bool CSpellChecker::HasDictionary() const {
    return m_russian != nullptr || m_english != nullptr;
}

QString CSpellChecker::PersonalListPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/lettrino/words.txt");
}

bool CSpellChecker::LoadPersonalList(QString* error) {
    QFile file(PersonalListPath());
    if (!file.open(QIODevice::ReadOnly)) {
        if (error != nullptr)
            *error = file.errorString();
        return !file.exists();
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (!line.isEmpty() && !m_personal.contains(line)) {
            m_personal << line;
            Accept(line);
        }
    }
    return true;
}

CSpellChecker::EScript CSpellChecker::ScriptOf(QStringView word) {
    bool cyrillic = false, latin = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar ch = word[i];
        if (IsJoiner(ch) && i > 0 && i + 1 < word.size())
            continue;
        if (IsCyrillic(ch) && ch.isLetter())
            cyrillic = true;
        else if (IsLatin(ch) && ch.isLetter())
            latin = true;
        else
            return EScript::kNone;
    }
    if (cyrillic == latin)
        return EScript::kNone;
    return cyrillic ? EScript::kCyrillic : EScript::kLatin;
}

CSpellChecker::SDictionary* CSpellChecker::DictionaryFor(const QString& word) const {
    switch (ScriptOf(word)) {
    case EScript::kCyrillic:
        return m_russian.get();
    case EScript::kLatin:
        return m_english.get();
    case EScript::kNone:
        break;
    }
    return nullptr;
}

bool CSpellChecker::IsCorrect(const QString& word) {
    if (const auto found = m_cache.constFind(word); found != m_cache.constEnd())
        return *found;
    // Hunspell judges no longer word, and its suggestions for one would take long.
    if (word.size() > kMaxWordLength)
        return true;
    bool correct = true;
    std::string bytes;
    if (m_accepted.contains(word)) {
        correct = true;
    } else if (const SDictionary* dictionary = DictionaryFor(word);
               dictionary && dictionary->Encode(word, bytes)) {
        correct = dictionary->hunspell->spell(bytes);
    }
    m_cache.insert(word, correct);
    return correct;
}

QStringList CSpellChecker::Suggestions(const QString& word) {
    QStringList result;
    const SDictionary* dictionary = DictionaryFor(word);
    std::string bytes;
    if (dictionary == nullptr || word.size() > kMaxWordLength || !dictionary->Encode(word, bytes))
        return result;
    for (const std::string& suggestion : dictionary->hunspell->suggest(bytes)) {
        if (result.size() == kMaxSuggestions)
            break;
        result << dictionary->Decode(suggestion);
    }
    return result;
}

void CSpellChecker::Accept(const QString& word) {
    m_accepted.insert(word);
    // The dictionary knows it too, and so also takes it capitalised at the start of a sentence.
    std::string bytes;
    if (SDictionary* dictionary = DictionaryFor(word); dictionary && dictionary->Encode(word, bytes))
        dictionary->hunspell->add(bytes);
    m_cache.clear();
}

void CSpellChecker::Ignore(const QString& word) {
    Accept(word);
    emit WordsChanged();
}

bool CSpellChecker::AddToDictionary(const QString& word, QString* error) {
    Ignore(word);
    if (m_personal.contains(word))
        return true;
    // The list as on disk now, so that another editor's additions are kept too; a list that
    // cannot be read is never written over.
    const QString path = PersonalListPath();
    m_personal.clear();
    if (!LoadPersonalList(error))
        return false;
    m_personal << word;
    QString reason;
    SWriteResult written;
    const bool ok =
        QDir().mkpath(QFileInfo(path).path()) &&
        WriteDocumentFile(path, (m_personal.join(u'\n') + u'\n').toUtf8(), QString(), written, reason);
    if (!ok && error != nullptr)
        *error = reason.isEmpty() ? path : reason;
    return ok;
}
