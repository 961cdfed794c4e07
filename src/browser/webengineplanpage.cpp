#include "webengineplanpage.h"

#include "browserlogging.h"
#include "enginemodule.h"
#include "silentwebpage.h"
#include "text/webaddress.h"
#include "zq_build_config.h"

#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// A name is put into the read script as code, so it must be a plain identifier; words the
// language reserves would break the whole script, not just their own read.
bool isReadableName(const QString &name)
{
    static const QRegularExpression identifier(u"^[A-Za-z_$][A-Za-z0-9_$]*$"_s);
    static const QStringList reserved = {
        u"await"_s,    u"break"_s,   u"case"_s,       u"catch"_s,     u"class"_s,    u"const"_s,  u"continue"_s,
        u"debugger"_s, u"default"_s, u"delete"_s,     u"do"_s,        u"else"_s,     u"enum"_s,   u"export"_s,
        u"extends"_s,  u"false"_s,   u"finally"_s,    u"for"_s,       u"function"_s, u"if"_s,     u"implements"_s,
        u"import"_s,   u"in"_s,      u"instanceof"_s, u"interface"_s, u"let"_s,      u"new"_s,    u"null"_s,
        u"package"_s,  u"private"_s, u"protected"_s,  u"public"_s,    u"return"_s,   u"static"_s, u"super"_s,
        u"switch"_s,   u"this"_s,    u"throw"_s,      u"true"_s,      u"try"_s,      u"typeof"_s, u"var"_s,
        u"void"_s,     u"while"_s,   u"with"_s,       u"yield"_s};
    return identifier.match(name).hasMatch() && !reserved.contains(name);
}

QStringList textsFromResult(const QVariant &result, qsizetype count)
{
    QStringList texts(count);
    if (result.typeId() != QMetaType::QVariantList)
        return texts;
    const QVariantList values = result.toList();
    if (values.size() != count)
        return texts;
    for (qsizetype i = 0; i < count; ++i) {
        if (values.at(i).typeId() == QMetaType::QString)
            texts[i] = values.at(i).toString();
    }
    return texts;
}

} // namespace

WebEnginePlanPage::WebEnginePlanPage(QWidget *parentWidget) : PlanPage(parentWidget)
{
    m_holder = makeHolder(parentWidget);
}

WebEnginePlanPage::~WebEnginePlanPage()
{
    m_alive.reset();
    // The engine goes with this object; the holder stays in the window's widget tree, and
    // only a holder that no window took is this object's to delete.
    delete m_view;
    if (m_holder && !m_holder->parent())
        delete m_holder;
}

QWidget *WebEnginePlanPage::widget()
{
    return m_holder;
}

void WebEnginePlanPage::ensureView()
{
    if (m_view || !m_holder)
        return;
    m_view = new QWebEngineView(m_holder);
    m_view->setObjectName(u"zq_main_web_view"_s);
    m_page = new SilentWebPage(m_view);
    m_page->setSilent(m_silent);
    m_view->setPage(m_page);
    m_holder->layout()->addWidget(m_view);
    connect(m_page, &QWebEnginePage::loadStarted, this, &WebEnginePlanPage::onLoadStarted);
    connect(m_page, &QWebEnginePage::loadFinished, this, &WebEnginePlanPage::onLoadFinished);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                qCWarning(lcBrowser) << "page process ended" << status << exitCode;
            });
}

void WebEnginePlanPage::navigate(const QString &url)
{
    ensureView();
    if (!m_page)
        return;
    QUrl target(url);
    // The address comes from the network, and the plan page is a web page. A javascript:
    // address would also run in the current document without a load and never end the
    // loading state.
    if (!isWebUrl(target)) {
        qCWarning(lcBrowser).noquote() << "not a web page address, showing a blank page instead:" << loggableUrl(url);
        target = QUrl(u"about:blank"_s);
    }
    // A move to another fragment of the document already shown stays in that document: the
    // engine signals neither a start nor an end, so it must not count as loading.
    const QUrl current = m_page->url();
    const bool sameDocument = !m_loading && current.isValid() && target != current &&
                              target.adjusted(QUrl::RemoveFragment) == current.adjusted(QUrl::RemoveFragment);
    // Reads made between this call and the engine's own start signal would still see the
    // old document, so the loading state starts here.
    if (!sameDocument)
        m_loading = true;
    ++m_generation;
    m_page->load(target);
}

void WebEnginePlanPage::onLoadStarted()
{
    m_loading = true;
    ++m_generation;
}

void WebEnginePlanPage::onLoadFinished(bool ok)
{
    m_loading = false;
    ++m_generation;
    if (!ok)
        qCInfo(lcBrowser).noquote() << "page load failed:" << loggableUrl(m_page ? m_page->url() : QUrl());
    Q_EMIT loadFinished(ok);
}

void WebEnginePlanPage::setSilent(bool silent)
{
    m_silent = silent;
    if (m_page)
        m_page->setSilent(silent);
}

QString WebEnginePlanPage::globalsScript(const QStringList &names, qsizetype maxLength)
{
    // Each read is its own function at the script's top level, so no helper variable can
    // hide a page global of the same name, and a throwing getter spoils only its own value.
    QStringList readers;
    readers.reserve(names.size());
    for (const QString &name : names)
        readers.append(isReadableName(name) ? u"function(){return "_s + name + u";}"_s : u"function(){}"_s);
    return u"(function(k,f){var r=[];for(var i=0;i<f.length;i++){r[i]=k(f[i]);}return r;})("
           "function(f){var v;try{v=f();}catch(e){return '';}var t=typeof v;"
           "return t==='string'?"_s +
           (maxLength >= 0 ? u"v.slice(0,"_s + QString::number(maxLength) + u")"_s : u"v"_s) +
           u":(t==='number'||t==='boolean'||t==='bigint')?''+v:'';},["_s + readers.join(u',') + u"])"_s;
}

void WebEnginePlanPage::readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                                        GlobalsCallback done)
{
    if (!done)
        return;
    const QPointer<QObject> contextGuard(context);
    const bool hasContext = context != nullptr;
    const std::weak_ptr<char> alive = m_alive;
    const qsizetype count = names.size();
    // One answer per read, whichever comes first: the page's or the time-out's.
    auto answered = std::make_shared<bool>(false);
    auto finish = [=](const QStringList &values) {
        if (*answered)
            return;
        *answered = true;
        if (alive.expired() || (hasContext && !contextGuard))
            return;
        done(values);
    };

    if (!m_page || m_loading || count == 0) {
        QTimer::singleShot(0, this, [=] { finish(QStringList(count)); });
        return;
    }

    const quint64 generation = m_generation;
    m_page->runJavaScript(globalsScript(names, maxLength), QWebEngineScript::MainWorld, [=](const QVariant &result) {
        if (alive.expired())
            return;
        finish(generation == m_generation ? textsFromResult(result, count) : QStringList(count));
    });
    QTimer::singleShot(readTimeoutMs, this, [=] {
        if (!*answered)
            qCWarning(lcBrowser) << "page did not answer a read in time:" << names;
        finish(QStringList(count));
    });
}

void WebEnginePlanPage::runScript(const QString &script)
{
    if (!m_page)
        return;
    m_page->runJavaScript(script, QWebEngineScript::MainWorld);
}

// The entry points of the zq_webengine module, which the program loads when it first opens
// the page (DeferredPlanPage).
const char *zq_webEngineBuildId()
{
    return ZQ_BUILD_ID;
}

PlanPage *zq_createWebEnginePlanPage(QWidget *parentWidget)
{
    return new WebEnginePlanPage(parentWidget);
}

} // namespace zq

// Compiled here rather than with the library's other meta-object code, so that a program
// taking nothing from this file takes none of the engine's symbols either.
#include "moc_webengineplanpage.cpp"
