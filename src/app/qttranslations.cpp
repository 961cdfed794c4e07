#include "qttranslations.h"

#include "applogging.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace zq {

namespace {
bool install(QCoreApplication &app, const QString &catalogue, const QString &folder)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(catalogue, folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}
} // namespace

int installQtTranslations(QCoreApplication &app)
{
    // Qt's own folder (Debian's qt6-translations-l10n), else translations/ beside the program.
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QString deployed = QCoreApplication::applicationDirPath() + u"/translations"_s;
    int installed = 0;
    // The two catalogues themselves, not Qt's qt_zh_CN bundle, which would also pull in the
    // catalogues of modules the program does not use.
    for (const QString &catalogue : {u"qtbase_zh_CN"_s, u"qtwebengine_zh_CN"_s}) {
        if (install(app, catalogue, qtFolder) || install(app, catalogue, deployed))
            ++installed;
    }
    // windeployqt joins the catalogues of the modules it deploys into this one file.
    if (installed == 0 && install(app, u"qt_zh_CN"_s, deployed))
        ++installed;
    if (installed == 0)
        qCDebug(lcApp) << "no Chinese catalogue of Qt in" << qtFolder << "or" << deployed;
    return installed;
}

} // namespace zq
