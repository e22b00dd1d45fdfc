// Spelling of Russian and English words with Hunspell, checked together: a word of Cyrillic
// letters against the Russian dictionary, a word of Latin letters against the English one. A
// language whose dictionary is not installed is simply not checked. The user's own words are kept
// in $XDG_DATA_HOME/lettrino/words.txt, one a line; ignored words last for the session.
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class Hunspell;

class CSpellChecker : public QObject {
    Q_OBJECT

public:
    enum class EScript { kNone, kCyrillic, kLatin };
    static constexpr int kMaxSuggestions = 7;
    // Longer words are not checked.
    static constexpr int kMaxWordLength = 100;

    // Reads ru_RU and en_US from `folder` (the system's hunspell folder when empty) and the
    // personal word list.
    explicit CSpellChecker(const QString& folder = QString(), QObject* parent = nullptr);
    ~CSpellChecker() override;

    // The one checker the editor windows share, made on first use.
    static CSpellChecker& Shared();

    // Some dictionary could be read.
    bool HasDictionary() const;
    // Which dictionary a word goes to: letters of one script (with inner hyphens and apostrophes);
    // a word with digits or with letters of both scripts goes to none.
    static EScript ScriptOf(QStringView word);
    // False only for a word a dictionary knows to be wrong; cached per word.
    bool IsCorrect(const QString& word);
    // At most kMaxSuggestions, best first.
    QStringList Suggestions(const QString& word);

    // Into the personal list on disk; false with the reason when it could not be written (the
    // word is accepted for the session all the same).
    bool AddToDictionary(const QString& word, QString* error = nullptr);
    void Ignore(const QString& word);
    static QString PersonalListPath();

signals:
    // A word became correct: marks already drawn may be gone.
    void WordsChanged();

private:
    struct SDictionary;
    SDictionary* DictionaryFor(const QString& word) const;
    // False when the list is there but cannot be read.
    bool LoadPersonalList(QString* error = nullptr);
    void Accept(const QString& word);

    std::unique_ptr<SDictionary> m_russian;
    std::unique_ptr<SDictionary> m_english;
    QHash<QString, bool> m_cache;
    QSet<QString> m_accepted; // personal and ignored words
    QStringList m_personal;
};
