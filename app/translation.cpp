#include "app/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace {

// The name of both the program's translation (a resource) and Qt's (a system file).
const char* const ChineseSuffix = "_zh_CN";

void Install(std::unique_ptr<QTranslator> translator)
{
    if (!translator)
        return;
    translator->setParent(QCoreApplication::instance());
    QCoreApplication::installTranslator(translator.release());
}

} // namespace

TextLanguage LanguageFor(const QStringList& uiLanguages)
{
    for (const QString& language : uiLanguages) {
        const QString code
            = language.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
        if (code == QLatin1String("zh"))
            return TextLanguage::Chinese;
        if (code == QLatin1String("en"))
            return TextLanguage::English;
    }
    return TextLanguage::English;
}

std::unique_ptr<QTranslator> ProgramTranslator(TextLanguage language)
{
    if (language == TextLanguage::English)
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(":/i18n/morvadine") + QLatin1String(ChineseSuffix)))
        return nullptr;
    return translator;
}

void InstallTranslations(const QStringList& uiLanguages)
{
    const TextLanguage language = LanguageFor(uiLanguages);
    Install(ProgramTranslator(language));
    if (language == TextLanguage::English)
        return;
    auto qtTranslator = std::make_unique<QTranslator>();
    if (qtTranslator->load(QStringLiteral("qtbase") + QLatin1String(ChineseSuffix),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        Install(std::move(qtTranslator));
}
