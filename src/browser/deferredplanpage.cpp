#include "deferredplanpage.h"

#include "browserlogging.h"
#include "engineplugin.h"
#include "zq_build_config.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QLabel>
#include <QPluginLoader>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// The hidden widget that the window places and the page or its notice fills, edge to edge.
QWidget *makeHolder(QWidget *parentWidget)
{
    auto *holder = new QWidget(parentWidget);
    holder->hide();
    auto *layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return holder;
}

// The plan page's engine when the file at `path` is this build's engine plugin; null, with the
// reason, otherwise. Only that exact file is tried: given a name without its suffix, the loader
// would try other files first, and a file of the shorter name would stop it there. The build's
// identifier is read from the plugin's metadata, before anything of the module runs: a module
// of another build may lay out the program's classes differently, and its first call could
// crash.
PlanPageEngine *loadEnginePlugin(const QString &path, const std::function<void()> &beforeLoad, QString *why)
{
    if (path.isEmpty()) {
        *why = u"this build has no browser engine"_s;
        return nullptr;
    }
    if (!QFileInfo(path).isFile()) {
        *why = u"no module at "_s + path;
        return nullptr;
    }
    if (beforeLoad)
        beforeLoad();
    QPluginLoader loader(path);
    // Loaded for good: the engine cannot be unloaded from a running process.
    loader.setLoadHints(QLibrary::PreventUnloadHint);
    const QJsonObject metaData = loader.metaData();
    if (metaData.isEmpty()) {
        *why = loader.errorString();
        return nullptr;
    }
    const QString moduleBuild =
        metaData.value(u"MetaData"_s).toObject().value(QLatin1StringView(EnginePlugin::buildIdKey)).toString();
    if (metaData.value(u"IID"_s).toString() != QLatin1StringView(ZQ_PLAN_PAGE_ENGINE_IID) ||
        moduleBuild != QLatin1StringView(ZQ_BUILD_ID)) {
        *why = u"the module at %1 is of another build (%2, the program is %3)"_s.arg(
            path, moduleBuild.isEmpty() ? u"none"_s : moduleBuild, QStringLiteral(ZQ_BUILD_ID));
        return nullptr;
    }
    auto *engine = qobject_cast<PlanPageEngine *>(loader.instance());
    if (!engine)
        *why = loader.errorString();
    return engine;
}

} // namespace

DeferredPlanPage::DeferredPlanPage(QWidget *parentWidget, Engine engine)
    : PlanPage(parentWidget), m_engineSource(std::move(engine))
{
    m_holder = makeHolder(parentWidget);
}

DeferredPlanPage::~DeferredPlanPage()
{
    // The engine's page goes first, while its holder still exists.
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
    QString why;
    if (m_engineSource.createPage) {
        m_engine = m_engineSource.createPage(m_holder, &why);
    } else if (PlanPageEngine *engine = loadEnginePlugin(m_engineSource.moduleFile, m_engineSource.beforeLoad, &why)) {
        m_engine = engine->createPage(m_holder);
        if (!m_engine)
            why = u"the module made no page"_s;
    }
    if (!m_engine) {
        showNoEngineNotice(why);
        return;
    }
    QWidget *view = m_engine->widget();
    view->setObjectName(u"zq_main_web_engine"_s);
    m_holder->layout()->addWidget(view);
    view->show();
    m_engine->setSilent(m_silent);
    connect(m_engine, &PlanPage::loadFinished, this, &PlanPage::loadFinished);
    connect(m_engine, &PlanPage::pageLost, this, &PlanPage::pageLost);
}

void DeferredPlanPage::showNoEngineNotice(const QString &why)
{
    qCWarning(lcBrowser).noquote() << "browser engine not loaded, the plan page cannot be shown:" << why;
    auto *notice = new QLabel(noEngineNotice(), m_holder);
    notice->setObjectName(u"zq_main_web_notice"_s);
    notice->setAlignment(Qt::AlignCenter);
    notice->setWordWrap(true);
    m_holder->layout()->addWidget(notice);
    notice->show();
}

void DeferredPlanPage::navigate(const QString &url)
{
    loadEngine();
    if (m_engine)
        m_engine->navigate(url);
}

void DeferredPlanPage::readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                                       GlobalsCallback done)
{
    if (m_engine) {
        m_engine->readGlobalsUpTo(names, maxLength, context, std::move(done));
        return;
    }
    if (!done)
        return;
    // No page: empty texts, from the event loop as always.
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

void DeferredPlanPage::serviceAnswered()
{
    if (m_engine)
        m_engine->serviceAnswered();
}

void DeferredPlanPage::setSilent(bool silent)
{
    m_silent = silent;
    if (m_engine)
        m_engine->setSilent(silent);
}

} // namespace zq
