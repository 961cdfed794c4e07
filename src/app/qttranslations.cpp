#include "qttranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QStringList>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace {
Q_LOGGING_CATEGORY(lcTranslations, "zq.translations")
} // namespace

int installQtTranslations(QCoreApplication &app)
{
    // Qt's own folder first (Debian's qt6-translations-l10n); a deployed program carries the
    // catalogues in translations/ beside it.
    const QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                 QCoreApplication::applicationDirPath() + u"/translations"_s};
    int installed = 0;
    // The catalogues themselves, not the qt_zh_CN bundle, which would also pull in modules
    // the program does not use.
    for (const QString &catalogue : {u"qtbase_zh_CN"_s, u"qtwebengine_zh_CN"_s}) {
        auto translator = new QTranslator(&app);
        bool loaded = false;
        for (const QString &folder : folders) {
            if (translator->load(catalogue, folder)) {
                loaded = true;
                break;
            }
        }
        if (loaded && QCoreApplication::installTranslator(translator)) {
            ++installed;
        } else {
            qCDebug(lcTranslations) << "no" << catalogue << "in" << folders;
            delete translator;
        }
    }
    return installed;
}
