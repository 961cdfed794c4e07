#include "regscriptplatform.h"

#include <QProcess>

using namespace Qt::StringLiterals;

namespace zq {

QString startUpScriptName()
{
    return u"reg.sh"_s;
}

bool prepareScriptProcess(QProcess &process, const QString &script)
{
    process.setProgram(u"/bin/sh"_s);
    process.setArguments({script});
    return true;
}

} // namespace zq
