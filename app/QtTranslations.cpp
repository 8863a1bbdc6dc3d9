#include "QtTranslations.h"

#include "LanguageTables.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The translator lives as a child of the application, so it goes with it; found by its name
// on every later switch.
const QString TranslatorName = QStringLiteral("KorvalisQtTranslator");

QLocale::Language qtLanguage(int language)
{
    switch (language) {
    case LanguageTables::Russian:
        return QLocale::Russian;
    case LanguageTables::French:
        return QLocale::French;
    case LanguageTables::Spanish:
        return QLocale::Spanish;
    default:
        return QLocale::English;
    }
}

} // namespace

QLocale QtTranslations::localeOf(int language)
{
    const QLocale::Language wanted = qtLanguage(language);
    const QLocale system = QLocale::system();
    if (system.language() == wanted)
        return system;
    return QLocale(wanted);
}

bool QtTranslations::apply(int language)
{
    const QLocale locale = localeOf(language);
    QLocale::setDefault(locale);

    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (auto* old = app->findChild<QTranslator*>(TranslatorName, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    if (locale.language() == QLocale::English)
        return true;

    auto* translator = new QTranslator(app);
    translator->setObjectName(TranslatorName);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    // Installing sends every widget a LanguageChange event: open button boxes retranslate.
    QCoreApplication::installTranslator(translator);
    return true;
}
