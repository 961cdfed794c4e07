#pragma once

#include "app/loginflow.h"
#include "app/mainwindow.h"
#include "app/registrationflow.h"
#include "app/sessionclock.h"
#include "app/softwareinfo.h"
#include "app/window/clickablelabel.h"
#include "app/window/layoutbuilder.h"
#include "fakeplanpage.h"
#include "net/webclient.h"
#include "recordingtray.h"
#include "settings/cfglocation.h"
#include "testfiles.h"
#include "text/logsecrets.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace zq {

// A window with its own program folder, recording tray, fake page and recorded exits. The test
// reaches the window's controls by their object names and its pieces as the window's children.
class WindowHarness final
{
    // First, so that it outlives the window.
    QTemporaryDir m_dir;

public:
    // Makes the window's plan page; the default is a FakePlanPage whose globals the test sets.
    using PageMaker = std::function<std::unique_ptr<PlanPage>(QWidget *parent)>;

    // `sites` is where the registration and download pages are (the service's own host unless
    // given).
    explicit WindowHarness(const QString &serviceBase, const QString &timeSource = QString(),
                           const QByteArray &cfgIni = QByteArrayLiteral("[daili]\r\ncode=zq_softinfo\r\n"),
                           PageMaker makePage = {}, const QString &sites = QString())
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("cfg"));
        if (!cfgIni.isNull())
            TestFiles::write(cfgPath(), cfgIni);
        AppConfig config;
        config.serviceBase = serviceBase;
        config.timeSourceUrl = timeSource;
        config.regSite = sites.isNull() ? serviceBase : sites;
        config.downloadSite = config.regSite;
        config.programDir = m_dir.path();

        MainWindow::Seams seams;
        auto log = tray;
        seams.trayBackend = [log] { return std::make_unique<RecordingTrayBackend>(log); };
        if (makePage) {
            seams.planPage = std::move(makePage);
        } else {
            seams.planPage = [this](QWidget *parent) -> std::unique_ptr<PlanPage> {
                auto made = std::make_unique<FakePlanPage>(parent);
                page = made.get();
                return made;
            };
        }
        seams.endProgram = [this](int code) { exits.append(code); };
        seams.logSecrets = &logSecrets;
        seams.cfgWritable = [this](const QString &cfgFile) {
            return cfgWritable ? cfgWritable(cfgFile) : CfgLocation::canWrite(cfgFile);
        };
        m_config = config;
        m_seams = seams;
        reopen();
    }

    // The next start of the program in the same folder: the window made anew.
    void reopen()
    {
        window.reset();
        window = std::make_unique<MainWindow>(m_config, m_seams);
        dialogs().setScriptedAnswer(true);
        dialogs().setRecording(true);
    }

    // The start-up sequence, waited for to its end (the software information answered or not);
    // false when it did not end within `timeoutMs`.
    bool startUp(int timeoutMs = 30000)
    {
        QSignalSpy done(window.get(), &MainWindow::startedUp);
        window->startUp();
        return done.wait(timeoutMs);
    }

    // The window's controls, each found by its object name.
    Controls controls() const { return LayoutBuilder::findControls(window.get()); }

    // The window's pieces.
    Dialogs &dialogs() const { return *window->findChild<Dialogs *>(); }
    WebClient &web() const { return *window->findChild<WebClient *>(); }
    SoftwareInfo &softwareInfo() const { return *window->findChild<SoftwareInfo *>(); }
    LoginFlow &loginFlow() const { return *window->findChild<LoginFlow *>(); }
    RegistrationFlow &registrationFlow() const { return *window->findChild<RegistrationFlow *>(); }
    SessionClock &clock() const { return *window->findChild<SessionClock *>(); }

    // Clicks a control by its object name, shown or not.
    void click(const QString &name) const
    {
        if (auto *target = window->findChild<QWidget *>(name))
            QTest::mouseClick(target, Qt::LeftButton);
        else
            qWarning("no control named %s", qPrintable(name));
    }

    QString programDir() const { return m_dir.path(); }

    QString cfgPath() const { return m_dir.path() + QStringLiteral("/cfg/cfg.ini"); }
    QByteArray cfgBytes() const { return TestFiles::read(cfgPath()); }
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const Dialogs::Shown &box : dialogs().shown())
            texts.append(box.text);
        return texts;
    }

    // The window once "demo" has signed in: the plan page opened for the account, the login box
    // and its links gone, the copy links and the mirror shown, the buttons usable again.
    // QVERIFY returns from here only: the caller checks QTest::currentTestFailed().
    void verifySignedInAsDemo() const
    {
        const Controls c = controls();
        QVERIFY(page->navigations.last().endsWith(QStringLiteral("/plan.php?u=demo&p=demo123")));
        QVERIFY(!c.loginBox->isVisible());
        QVERIFY(!c.tipsLabel(TipsLabel::LoginLink)->isVisible() &&
                !c.tipsLabel(TipsLabel::RegistrationLink)->isVisible());
        QVERIFY(c.tipsLabel(TipsLabel::CopyNumbersLink)->isVisible() &&
                c.tipsLabel(TipsLabel::ExternalNumbersLabel)->isVisible() &&
                c.tipsLabel(TipsLabel::CopyPlanLink)->isVisible());
        QVERIFY(c.outplan->isVisible());
        QVERIFY(c.loginButton->isEnabled() && c.goToRegistrationButton->isEnabled());
    }

    // Stands in for the check whether the settings file beside the program can be written.
    std::function<bool(const QString &cfgFile)> cfgWritable;
    std::shared_ptr<TrayLog> tray = std::make_shared<TrayLog>();
    // The passwords the window told; not installed as the message handler, a test asks it.
    LogSecrets logSecrets;
    FakePlanPage *page = nullptr; // null with a page of the test's own
    QList<int> exits;
    std::unique_ptr<MainWindow> window;

private:
    AppConfig m_config;
    MainWindow::Seams m_seams;
};

} // namespace zq
