#pragma once

#include "planpage.h"

#include <QPointer>
#include <QString>

#include <functional>

class QLabel;

namespace zq {

// The plan page whose browser engine is loaded only when the page is first opened (the start
// timer opens it), instead of with the program: Qt WebEngine, with its large libraries, from a
// module beside the program, or the system's browser control, made then. Until then the page is an empty holder widget,
// reads give empty texts and scripts are dropped, as for a page not yet loaded; afterwards every call goes to the
// engine's page.
//
// Where there is no usable engine (a build without one, the module missing, unloadable or
// from another build, a browser control that cannot be made) the holder shows the notice of a missing engine instead,
// centred, and the page stays as it was before loading: everything around it keeps working.
class DeferredPlanPage final : public PlanPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeferredPlanPage)

public:
    struct Engine
    {
        // The module's full path; empty for a build without an engine module.
        QString moduleFile;
        // Runs once, just before the module (and with it the engine) is loaded.
        std::function<void()> beforeLoad;
        // Or an engine linked into the program: makes its page in the given widget, or
        // gives null and the reason.
        std::function<PlanPage *(QWidget *parentWidget, QString *why)> createPage;
    };

    explicit DeferredPlanPage(QWidget *parentWidget, Engine engine = {});
    ~DeferredPlanPage() override;

    QWidget *widget() override;
    void navigate(const QString &url) override;
    void readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                         GlobalsCallback done) override;
    void runScript(const QString &script) override;
    void setSilent(bool silent) override;
    void serviceAnswered() override;

    // Whether the engine's page is there: false before the first navigation and without an engine.
    bool engineLoaded() const { return m_engine != nullptr; }

    static QString noEngineNotice() { return QStringLiteral("浏览器组件未能加载，计划页面无法显示。"); }

private:
    void loadEngine();
    void showNoEngineNotice(const QString &why);

    Engine m_engineSource;
    QPointer<QWidget> m_holder;
    QPointer<PlanPage> m_engine;
    bool m_tried = false;
    bool m_silent = false;
};

} // namespace zq
