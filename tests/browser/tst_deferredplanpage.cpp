// The plan page that loads the browser engine's module when it first opens: only its own
// build's module, by its exact file name, and a notice in the plan area where there is none.
#include "browser/deferredplanpage.h"
#include "browser/enginesetup.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;
using namespace zq;
using zq::DeferredPlanPage;

class TestDeferredPlanPage final : public QObject
{
    Q_OBJECT

public:
    // The engine is set up as the program sets it up, before the application object exists.
    static void initMain() { EngineSetup::beforeApplication(); }

private Q_SLOTS:
    void engine_onlyThisBuildsModuleByItsExactName_data()
    {
        QTest::addColumn<QString>("moduleSource"); // what is put where the program looks
        QTest::addColumn<bool>("blockerBeside");   // a file of the name without prefix and suffix
        QTest::addColumn<bool>("loads");
        QTest::newRow("a build without an engine") << QString() << false << false;
        QTest::newRow("no module beside the program") << u"(none)"_s << false << false;
        QTest::newRow("a file that is not a module") << u"(junk)"_s << false << false;
        QTest::newRow("a module of another build") << QStringLiteral(ZQ_FOREIGN_MODULE) << false << false;
        QTest::newRow("a module without a build identifier") << QStringLiteral(ZQ_UNMARKED_MODULE) << false << false;
        QTest::newRow("this build's module, a shorter-named file beside it")
            << QStringLiteral(ZQ_ENGINE_MODULE) << true << true;
    }
    void engine_onlyThisBuildsModuleByItsExactName()
    {
        QFETCH(QString, moduleSource);
        QFETCH(bool, blockerBeside);
        QFETCH(bool, loads);
        QTemporaryDir programDir;
        const QString moduleFile = programDir.filePath(QFileInfo(QStringLiteral(ZQ_ENGINE_MODULE)).fileName());
        if (moduleSource == u"(junk)"_s)
            QVERIFY(TestFiles::write(moduleFile, "not a library"));
        else if (!moduleSource.isEmpty() && moduleSource != u"(none)"_s)
            QVERIFY(QFile::copy(moduleSource, moduleFile));
        if (blockerBeside)
            QVERIFY(TestFiles::write(programDir.filePath(u"zq_webengine"_s), "not a library"));

        QWidget window;
        int beforeLoadCalls = 0;
        DeferredPlanPage::Engine engine;
        if (!moduleSource.isEmpty())
            engine.moduleFile = moduleFile;
        engine.beforeLoad = [&beforeLoadCalls] {
            ++beforeLoadCalls;
            EngineSetup::beforeEngineLoads();
        };
        auto *page = new DeferredPlanPage(&window, engine);
        page->widget()->setGeometry(0, 0, 400, 300);
        page->widget()->show();
        window.show();
        if (!loads)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^browser engine not loaded"_s));
        page->navigate(u"about:blank"_s);
        page->navigate(u"about:blank"_s); // tried once only

        QCOMPARE(page->engineLoaded(), loads);
        auto *notice = page->widget()->findChild<QLabel *>();
        QCOMPARE(notice != nullptr, !loads);
        if (notice) {
            QCOMPARE(notice->text(), u"浏览器组件未能加载，计划页面无法显示。"_s);
            QCOMPARE(notice->alignment(), Qt::AlignCenter);
            QVERIFY(notice->isVisible());
            QTRY_COMPARE(notice->geometry(), page->widget()->rect());
        }
        // Nothing to read without the engine, and the answer still comes.
        QStringList read{u"<no answer>"_s};
        page->readGlobals({u"tzIss"_s}, &window, [&read](const QStringList &values) { read = values; });
        if (!loads)
            QTRY_COMPARE(read, QStringList{QString()});
        QCOMPARE(beforeLoadCalls, QFileInfo(moduleFile).isFile() && !moduleSource.isEmpty() ? 1 : 0);
        delete page;
    }
};

QTEST_MAIN(TestDeferredPlanPage)
#include "tst_deferredplanpage.moc"
