#pragma once

#include "browser/planpage.h"

#include <QEventLoop>
#include <QStringList>
#include <QTimer>

// Waits for one answer of PlanPage::readGlobals; "<no answer>" when none comes in 30 s.
inline QStringList readNow(zq::PlanPage &page, const QStringList &names)
{
    QEventLoop loop;
    QStringList values{QStringLiteral("<no answer>")};
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    page.readGlobals(names, &loop, [&](const QStringList &read) {
        values = read;
        loop.quit();
    });
    loop.exec();
    return values;
}
