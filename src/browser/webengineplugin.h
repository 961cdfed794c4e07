#pragma once

#include "engineplugin.h"

#include <QObject>

namespace zq {

// The zq_webengine module's plugin: the plan page on Qt WebEngine. Its metadata
// (webengineplugin.json, made by CMake) carries this build's identifier.
class WebEnginePlugin final : public QObject, public PlanPageEngine
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZQ_PLAN_PAGE_ENGINE_IID FILE "webengineplugin.json")
    Q_INTERFACES(zq::PlanPageEngine)
    Q_DISABLE_COPY_MOVE(WebEnginePlugin)

public:
    WebEnginePlugin() = default;
    ~WebEnginePlugin() override = default;

    PlanPage *createPage(QWidget *parentWidget) override;
};

} // namespace zq
