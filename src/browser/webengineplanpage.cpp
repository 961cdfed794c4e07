#include "webengineplanpage.h"

#include "browserlogging.h"
#include "silentwebpage.h"
#include "text/webaddress.h"

#include <QChildEvent>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QWidget>

#if defined(Q_OS_WIN)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <signal.h>
#endif

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

// Ends the page's process as a crash would: the engine sees it go and makes a new one for
// the next navigation.
bool endProcess(qint64 pid)
{
#if defined(Q_OS_WIN)
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (!process)
        return false;
    const bool ended = TerminateProcess(process, 1) != 0;
    CloseHandle(process);
    return ended;
#else
    return ::kill(pid_t(pid), SIGKILL) == 0;
#endif
}

} // namespace

WebEnginePlanPage::WebEnginePlanPage(QWidget *parentWidget) : PlanPage(parentWidget)
{
    m_unanswered = new QTimer(this);
    m_unanswered->setSingleShot(true);
    m_unanswered->setInterval(unansweredLimit);
    connect(m_unanswered, &QTimer::timeout, this, [this] { endPageProcess("answered no read in time"); });
    m_notStarted = new QTimer(this);
    m_notStarted->setSingleShot(true);
    m_notStarted->setInterval(startLimit);
    connect(m_notStarted, &QTimer::timeout, this, &WebEnginePlanPage::onNavigationNotStarted);
    makeView(parentWidget);
}

WebEnginePlanPage::~WebEnginePlanPage()
{
    m_alive.reset();
    // What the engine says while it is torn down (its process ending) is for nobody now.
    if (m_page)
        m_page->disconnect(this);
    // The engine goes with this object, out of the window's widget tree.
    delete m_view;
}

QWidget *WebEnginePlanPage::widget()
{
    return m_view;
}

void WebEnginePlanPage::makeView(QWidget *parentWidget)
{
    m_view = new QWebEngineView(parentWidget);
    m_view->setObjectName(u"zq_main_web_view"_s);
    // Placed and shown by whoever holds the plan area.
    m_view->hide();
    m_page = new SilentWebPage(m_view);
    m_page->setSilent(m_silent);
    m_view->setPage(m_page);
    // The engine tells of the start and the end of a load twice, as loadStarted and loadFinished
    // and as loadingChanged; only the latter tells a load that stopped from one that failed.
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEnginePlanPage::onLoadingChanged);
    connect(m_page, &SilentWebPage::navigationStarting, this,
            [this](QWebEnginePage::NavigationType type) { onNavigationStarting(type); });
    connect(m_page, &SilentWebPage::navigationCancelled, this, &WebEnginePlanPage::onNavigationNotStarted);
    connect(m_page, &SilentWebPage::documentReady, this, &WebEnginePlanPage::onDocumentReady);
    // Told while the page waits for a dialog's answer: the process is ended afterwards.
    connect(
        m_page, &SilentWebPage::dialogFlood, this,
        [this] {
            endPageProcess(qPrintable(u"opened more than %1 dialogs in %2 s"_s.arg(PlanPage::dialogFloodCount)
                                          .arg(PlanPage::dialogFloodSpan.count() / 1000)));
        },
        Qt::QueuedConnection);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                qCWarning(lcBrowser) << "page process ended" << status << exitCode;
                onProcessEnded();
            });
    watchInput(m_view);
}

// The clicks and keys go to the widget the engine draws the page in, a child of the view that
// the engine makes (and makes anew) when it likes; the view shows each new child to the filter.
void WebEnginePlanPage::watchInput(QObject *widget)
{
    widget->installEventFilter(this);
    for (QObject *child : widget->children()) {
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
}

bool WebEnginePlanPage::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        if (m_page)
            m_page->noteUserAction();
        break;
    case QEvent::ChildPolished:
        if (watched == m_view)
            static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
        break;
    default:
        break;
    }
    return PlanPage::eventFilter(watched, event);
}

void WebEnginePlanPage::navigate(const QString &url)
{
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
    const bool sameDocument = !m_loading && !m_processGone && current.isValid() && target != current &&
                              target.adjusted(QUrl::RemoveFragment) == current.adjusted(QUrl::RemoveFragment);
    // Reads made between this call and the engine's own start signal would still see the
    // old document, so the loading state starts here.
    if (!sameDocument) {
        m_loading = true;
        m_programLoad = true;
        m_notStarted->start();
    }
    startOfNewDocument();
    // A page whose process ended gets a new one with this load.
    m_processGone = false;
    m_page->loadByProgram(target);
}

void WebEnginePlanPage::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        onLoadStarted();
        break;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        onLoadFinished(true, false);
        break;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        onLoadFinished(false, true);
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        onLoadFinished(false, false);
        break;
    }
}

void WebEnginePlanPage::startOfNewDocument()
{
    m_documentReady = false;
    ++m_generation;
}

void WebEnginePlanPage::onLoadStarted()
{
    m_loading = true;
    m_processGone = false;
    m_notStarted->stop();
    startOfNewDocument();
}

void WebEnginePlanPage::onNavigationStarting(int type)
{
    m_notStarted->stop();
    if (type != QWebEnginePage::NavigationTypeTyped && type != QWebEnginePage::NavigationTypeRedirect)
        m_programLoad = false;
    // A navigation started while the page was loading already comes without a start signal.
    startOfNewDocument();
}

void WebEnginePlanPage::onNavigationNotStarted()
{
    m_notStarted->stop();
    if (!m_loading)
        return;
    qCInfo(lcBrowser) << "the navigation did not start; the page stays as it was";
    m_loading = false;
    ++m_generation;
}

void WebEnginePlanPage::onDocumentReady()
{
    m_documentReady = true;
}

void WebEnginePlanPage::onLoadFinished(bool ok, bool stopped)
{
    const bool programLoad = m_programLoad;
    m_programLoad = false;
    m_loading = false;
    m_notStarted->stop();
    // A document read from already is the one that finished; any other may have replaced it.
    if (!m_documentReady)
        ++m_generation;
    // Answers to scripts sent while documents came and went may never come: only later
    // reads count towards a hung page.
    m_unanswered->stop();
    // A navigation of the page's own that the engine dropped without leaving the document (a
    // download, an empty answer) changed nothing: no failure of the plan page to come back from.
    if (stopped && !programLoad) {
        qCDebug(lcBrowser) << "a navigation of the page's own came to nothing; the page stays as it was";
        return;
    }
    if (!ok)
        qCInfo(lcBrowser).noquote() << "page load failed:" << loggableUrl(m_page ? m_page->url() : QUrl());
    Q_EMIT loadFinished(ok);
}

void WebEnginePlanPage::onProcessEnded()
{
    m_endingProcess = false;
    m_processGone = true;
    m_loading = false;
    m_programLoad = false;
    m_notStarted->stop();
    m_unanswered->stop();
    startOfNewDocument();
    Q_EMIT pageLost();
}

void WebEnginePlanPage::endPageProcess(const char *why)
{
    if (!m_page || m_endingProcess || m_processGone)
        return;
    m_unanswered->stop();
    const qint64 pid = m_page->renderProcessPid();
    qCWarning(lcBrowser).nospace() << "the plan page " << why << "; ending its page process " << pid;
    if (pid > 0 && endProcess(pid)) {
        m_endingProcess = true;
        // The engine tells of the end; should it not, the page counts as lost all the same.
        const quint64 generation = m_generation;
        QTimer::singleShot(readTimeoutMs, this, [this, generation] {
            if (m_endingProcess && generation == m_generation)
                onProcessEnded();
        });
        return;
    }
    onProcessEnded();
}

void WebEnginePlanPage::setUnansweredLimit(std::chrono::milliseconds limit)
{
    m_unanswered->setInterval(limit);
}

void WebEnginePlanPage::askedPage()
{
    if (!m_unanswered->isActive())
        m_unanswered->start();
}

void WebEnginePlanPage::pageAnswered()
{
    m_unanswered->stop();
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

    if (!m_page || m_processGone || count == 0) {
        QTimer::singleShot(0, this, [=] { finish(QStringList(count)); });
        return;
    }
    askedPage();
    if (m_loading && !m_documentReady) {
        // Nothing to read yet, but the page is asked all the same (in the program's world,
        // out of the page's sight), so that a page hung while loading is noticed too.
        m_page->runJavaScript(u"0"_s, QWebEngineScript::ApplicationWorld, [this, alive](const QVariant &) {
            if (!alive.expired())
                pageAnswered();
        });
        QTimer::singleShot(0, this, [=] { finish(QStringList(count)); });
        return;
    }

    const quint64 generation = m_generation;
    m_page->runJavaScript(globalsScript(names, maxLength), QWebEngineScript::MainWorld, [=](const QVariant &result) {
        if (alive.expired())
            return;
        pageAnswered();
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
    if (!m_page || m_processGone)
        return;
    m_page->runJavaScript(script, QWebEngineScript::MainWorld);
}

} // namespace zq

// Compiled here rather than with the library's other meta-object code, so that a program
// taking nothing from this file takes none of the engine's symbols either.
#include "moc_webengineplanpage.cpp" // NOLINT(bugprone-suspicious-include): moc's code, on purpose
