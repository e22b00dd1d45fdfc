#include "StandardTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

void SetStandardTextsLanguage(ELanguage language) {
    static std::unique_ptr<QTranslator> translator;
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
    const char* code = language == kLangRussian ? "ru" : language == kLangGerman ? "de" : nullptr;
    if (code == nullptr)
        return;
    auto next = std::make_unique<QTranslator>();
    if (next->load(QStringLiteral("qtbase_") + QLatin1String(code),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(next.get()))
        translator = std::move(next);
}
