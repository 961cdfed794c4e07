#include "appconfig.h"

#include "zq_build_config.h"

#include <QCoreApplication>

namespace zq {

AppConfig AppConfig::fromBuild()
{
    AppConfig config;
    config.serviceBase = QStringLiteral(ZQ_SERVICE_BASE);
    config.timeSourceUrl = QStringLiteral(ZQ_TIME_SOURCE_URL);
    config.regSite = QStringLiteral(ZQ_REG_SITE);
    config.downloadSite = QStringLiteral(ZQ_DOWNLOAD_SITE);
    config.programDir = QCoreApplication::applicationDirPath();
    config.softwareInfoAhead = true;
    return config;
}

} // namespace zq
