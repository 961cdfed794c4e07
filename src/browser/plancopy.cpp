#include "plancopy.h"

#include "planpage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

struct CopyKind
{
    QString global;
    QString pageScript;
    QString copiedNotice;
    QString nothingNotice;
};

void copyFromPage(PlanPage &page, QObject *context, const NoticeSink &showNotice, const CopyKind &kind)
{
    const QPointer<PlanPage> pageGuard(&page);
    page.readGlobals({kind.global}, context, [pageGuard, showNotice, kind](const QStringList &values) {
        const QString text = values.value(0);
        if (text.isEmpty()) {
            if (showNotice)
                showNotice(kind.nothingNotice);
            return;
        }
        if (pageGuard)
            pageGuard->runScript(kind.pageScript);
        if (QClipboard *clipboard = QGuiApplication::clipboard()) {
            clipboard->clear();
            clipboard->setText(text);
        }
        if (showNotice)
            showNotice(kind.copiedNotice);
    });
}

} // namespace

QString noBettingNumbersText()
{
    return u"没有发现可以复制的投注号码，请先组号！"_s;
}

void copyCodes(PlanPage &page, QObject *context, const NoticeSink &showNotice)
{
    static const CopyKind codes{u"tzNums"_s, u"(function(){zqMain.codesCopy.call(this);})()"_s,
                                u"号码已复制到剪切板，请直接ctrl+v粘贴即可"_s, noBettingNumbersText()};
    copyFromPage(page, context, showNotice, codes);
}

void copyPlan(PlanPage &page, QObject *context, const NoticeSink &showNotice)
{
    static const CopyKind plan{u"tzPlan"_s, u"(function(){zqMain.planCopy.call(this);})()"_s,
                               u"计划方案已复制到剪切板，请直接ctrl+v粘贴即可"_s, u"没有发现计划方案，请先组号！"_s};
    copyFromPage(page, context, showNotice, plan);
}

} // namespace zq
