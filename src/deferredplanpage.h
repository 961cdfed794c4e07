#pragma once

#include "browser/planpage.h"

#include <QPointer>

// The plan page as the zq program itself has it: the browser engine, with its large
// libraries, lives in a module beside the program (zq_webengine) that is loaded only when
// the page is first opened, two seconds after start-up, instead of with the program. Until
// then the page is an empty holder widget, reads give empty texts and scripts are dropped,
// as for a page not yet loaded; afterwards every call goes to the engine's page.
//
// Only the program links this file: its makePlanPage() takes the place of the one that
// makes the engine's page directly (tests and benchmarks, which link the engine).
class DeferredPlanPage final : public tarel_tools::PlanPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeferredPlanPage)

public:
    explicit DeferredPlanPage(QWidget *parentWidget);
    ~DeferredPlanPage() override;

    QWidget *widget() override;
    void navigate(const QString &url) override;
    void readGlobals(const QStringList &names, QObject *context, GlobalsCallback done) override;
    void runScript(const QString &script) override;
    void setSilent(bool silent) override;

private:
    void loadEngine();

    QPointer<QWidget> m_holder;
    QPointer<tarel_tools::PlanPage> m_engine;
    bool m_tried = false;
    bool m_silent = false;
};
