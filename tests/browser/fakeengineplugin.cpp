// A plugin that looks like the engine's but is not of this build (its metadata names another
// build, or none): the program must refuse it before it makes a page, since a module of another
// build could crash there. Each build of this file takes its metadata from its own folder.
#include "browser/engineplugin.h"

#include <QObject>

#include <cstdlib>

class FakeEnginePlugin final : public QObject, public zq::PlanPageEngine
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZQ_PLAN_PAGE_ENGINE_IID FILE "fakeengineplugin.json")
    Q_INTERFACES(zq::PlanPageEngine)

public:
    zq::PlanPage *createPage(QWidget *) override { std::abort(); }
};

#include "fakeengineplugin.moc"
