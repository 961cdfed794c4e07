#include "deferredplanpage.h"

#include "browser/browserlogging.h"
#include "browser/enginesetup.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// The module's one entry point (webengineplanpage.cpp): makes the engine's page inside the
// given widget.
using CreatePage = tarel_tools::PlanPage *(*)(QWidget *parentWidget);

} // namespace

namespace tarel_tools {

std::unique_ptr<PlanPage> makePlanPage(QWidget *parentWidget)
{
    return std::make_unique<DeferredPlanPage>(parentWidget);
}

} // namespace tarel_tools

DeferredPlanPage::DeferredPlanPage(QWidget *parentWidget) : PlanPage(parentWidget)
{
    m_holder = new QWidget(parentWidget);
    m_holder->setObjectName(QStringLiteral("zq_main_web"));
    m_holder->hide();
    auto *layout = new QVBoxLayout(m_holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

DeferredPlanPage::~DeferredPlanPage()
{
    // The engine's page goes first, while its holder still exists; the module stays loaded
    // to the end of the process, as the engine cannot be unloaded.
    delete m_engine.data();
    if (m_holder && !m_holder->parent())
        delete m_holder.data();
}

QWidget *DeferredPlanPage::widget()
{
    return m_holder;
}

void DeferredPlanPage::loadEngine()
{
    if (m_tried || !m_holder)
        return;
    m_tried = true;
    EngineSetup::beforeEngineLoads();
    QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/zq_webengine"));
    const auto create = reinterpret_cast<CreatePage>(module.resolve("zq_createWebEnginePlanPage"));
    if (!create) {
        qCWarning(lcBrowser) << "browser engine not loaded:" << module.errorString();
        return;
    }
    m_engine = create(m_holder);
    if (!m_engine)
        return;
    QWidget *view = m_engine->widget();
    view->setObjectName(QStringLiteral("zq_main_web_engine"));
    m_holder->layout()->addWidget(view);
    view->show();
    m_engine->setSilent(m_silent);
    connect(m_engine, &PlanPage::loadFinished, this, &PlanPage::loadFinished);
}

void DeferredPlanPage::navigate(const QString &url)
{
    loadEngine();
    if (m_engine)
        m_engine->navigate(url);
}

void DeferredPlanPage::readGlobals(const QStringList &names, QObject *context, GlobalsCallback done)
{
    if (m_engine) {
        m_engine->readGlobals(names, context, std::move(done));
        return;
    }
    if (!done)
        return;
    // No page yet: empty texts, from the event loop as always.
    const QPointer<QObject> contextGuard(context);
    const bool hasContext = context != nullptr;
    const qsizetype count = names.size();
    QTimer::singleShot(0, this, [contextGuard, hasContext, count, done = std::move(done)] {
        if (hasContext && !contextGuard)
            return;
        done(QStringList(count));
    });
}

void DeferredPlanPage::runScript(const QString &script)
{
    if (m_engine)
        m_engine->runScript(script);
}

void DeferredPlanPage::setSilent(bool silent)
{
    m_silent = silent;
    if (m_engine)
        m_engine->setSilent(silent);
}
