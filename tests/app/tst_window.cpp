// The window as it is created, its panels and links, and how it closes.
#include "app/qttranslations.h"
#include "app/window/clickablelabel.h"
#include "app/window/windowfront.h"
#include "desktop/machineid.h"
#include "digest/md5calc.h"
#include "loopbackserver.h"
#include "programtexts.h"
#include "tray/traynotifier.h"
#include "urlrecorder.h"
#include "windowharness.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>
#include <qpa/qwindowsysteminterface.h>

#include <private/qguiapplication_p.h>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {
// A port nothing listens on: requests fail at once, so start-up runs without a service.
const QString kNoService = u"http://127.0.0.1:9/"_s;

QColor textColour(const QWidget *w)
{
    return w->palette().color(QPalette::WindowText);
}

// The controls that Tab visits from `first` on, `length` of them; labels take no focus.
QList<QWidget *> tabChain(QWidget *first, qsizetype length)
{
    QList<QWidget *> chain{first};
    for (QWidget *w = first->nextInFocusChain(); w && w != first && chain.size() < length; w = w->nextInFocusChain())
        if (w->focusPolicy() != Qt::NoFocus)
            chain.append(w);
    return chain;
}
} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // As the program does at start: Qt's own texts in Chinese.
    void initTestCase() { installQtTranslations(*qApp); }

    void freshWindow_showsStartNoticeAndNoBrowser()
    {
        WindowHarness h(kNoService);
        h.window->show();
        const Controls c = h.controls();
        QCOMPARE(h.window->windowTitle(), programName());
        QVERIFY(c.tipsLabel(TipsLabel::StartUpNotice)->isVisible());
        QCOMPARE(c.tipsLabel(TipsLabel::StartUpNotice)->text(), u"栖木软件正在初始化，请稍等。。。"_s);
        QVERIFY(!c.browser->isVisible());
        using namespace TipsLabel;
        for (int hidden : {CopyNumbersLink, ExternalNumbersLabel, CopyPlanLink})
            QVERIFY2(!c.tipsLabel(hidden)->isVisible(), qPrintable(QString::number(hidden)));
        for (int shown : {LoginLink, RegistrationLink, NoticeLine, DownloadLink})
            QVERIFY2(c.tipsLabel(shown)->isVisible(), qPrintable(QString::number(shown)));
        QVERIFY(!c.loginBox->isVisible());
        QVERIFY(!c.registrationBox->isVisible());
        QVERIFY(!c.outplan->isVisible());
        QCOMPARE(h.window->size(), QSize(1015, 610));
    }

    void controlArrays_haveExactlyTheListedIndices()
    {
        WindowHarness h(kNoService);
        const Controls c = h.controls();
        QCOMPARE(c.tipsLabels.keys(), (QList<int>{0, 1, 2, 4, 5, 6, 7, 8, 9, 24, 25, 26, 27, 28, 29, 30, 44}));
        QCOMPARE(c.tipsLabel(3), nullptr);
        QCOMPARE(c.platformLink(12), nullptr);
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(c.platformLink(i)->text(), u"."_s);
            QCOMPARE(c.platformLink(i)->geometry(), QRect((2400 + 720 * i) / 15, 16, 49, 25));
            QCOMPARE(c.platformLink(i)->parentWidget(), c.linkPanel);
        }
    }

    void geometryAndLooks_followTheTable()
    {
        WindowHarness h(kNoService);
        const Controls c = h.controls();
        QCOMPARE(c.loginBox->geometry(), QRect(560, 544, 449, 64));
        QCOMPARE(c.registrationBox->geometry(), QRect(824, 384, 185, 225));
        QCOMPARE(c.loginUser->parentWidget(), c.loginBox);
        QCOMPARE(c.regPlatform->parentWidget(), c.registrationBox);
        QCOMPARE(c.linkPanelToggle->geometry(), QRect(384, 3, 17, 26));
        QCOMPARE(c.linkPanelToggle->toolTip(), u"展开/关闭平台开户链接"_s);
        QCOMPARE(c.goToRegistrationButton->toolTip(), u"去注册！"_s);
        QCOMPARE(c.regEmail->text(), u"@"_s);
        QCOMPARE(textColour(c.tipsLabel(TipsLabel::LoginLink)), QColor(0xC0, 0x00, 0x00));
        QCOMPARE(textColour(c.tipsLabel(TipsLabel::CopyNumbersLink)), QColor(0xD0, 0x00, 0x00));
        QVERIFY(c.tipsLabel(TipsLabel::LoginLink)->font().underline());
        QCOMPARE(c.tipsLabel(TipsLabel::StartUpNotice)->font().pointSizeF(), 12.0);
        QVERIFY(c.tipsLabel(TipsLabel::StartUpNotice)->font().families().contains(u"SimSun"_s));
        QCOMPARE(c.tipsLabel(TipsLabel::LoginLink)->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(c.loginButton->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(c.tipsLabel(TipsLabel::NoticeLine)->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(c.tipsLabel(TipsLabel::RegistrationLink)->alignment() & Qt::AlignRight);
        QVERIFY(c.tipsLabel(TipsLabel::StartUpNotice)->alignment() & Qt::AlignHCenter);
        QCOMPARE(c.platformLink(0)->palette().color(QPalette::Window), QColor(0xF7, 0xFA, 0xFE));
        // The panel paints its own face: the page below it must not show through.
        QVERIFY(c.linkPanel->autoFillBackground());
        QCOMPARE(c.linkPanel->palette().color(QPalette::Window), QColor(0xF7, 0xFA, 0xFE));
        QVERIFY(!c.regPlatform->isEditable());
        QVERIFY(c.startTimer->interval() == 0 && !c.startTimer->isActive());
        QVERIFY(c.countDown->isActive());
        QCOMPARE(c.countDown->interval(), 1000);
    }

    void panels_hideTheControlsBeneathThem_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::newRow("login box over the bottom row") << u"frame_login"_s;
        QTest::newRow("registration box over the bottom row") << u"frame_reg"_s;
    }

    void panels_hideTheControlsBeneathThem()
    {
        QFETCH(QString, panel);
        WindowHarness h(kNoService);
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        auto *box = h.window->findChild<QGroupBox *>(panel);
        QVERIFY(box);
        box->show();
        QList<QWidget *> beneath;
        for (QWidget *w : h.window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (w != box && w->isVisible() && w->geometry().intersects(box->geometry()))
                beneath.append(w);
        }
        QVERIFY(beneath.contains(h.controls().tipsLabel(TipsLabel::RegistrationLink)));
        // What the box's place shows must not change when the controls beneath it go.
        const QImage shown = h.window->grab(box->geometry()).toImage();
        for (QWidget *w : beneath)
            w->hide();
        QCOMPARE(h.window->grab(box->geometry()).toImage(), shown);
    }

    void passwordBoxes_maskOnlyTheLoginPassword()
    {
        WindowHarness h(kNoService);
        const Controls c = h.controls();
        QCOMPARE(c.loginPass->echoMode(), QLineEdit::Password);
        QCOMPARE(c.regPass->echoMode(), QLineEdit::Normal);
        QTest::keyClicks(c.regPass, u"abc"_s);
        QCOMPARE(c.regPass->displayText(), u"abc"_s);
        QTest::keyClicks(c.loginPass, u"abc"_s);
        QCOMPARE(c.loginPass->text(), u"abc"_s);
        QVERIFY(!c.loginPass->displayText().contains(u"abc"_s));
    }

    void registrationBox_tabOrderRunsTopToBottom()
    {
        WindowHarness h(kNoService);
        const Controls c = h.controls();
        const QList<QWidget *> expected = {c.regUser,
                                           c.regPass,
                                           c.regEmail,
                                           c.regPlatform,
                                           c.regPlatformAccount,
                                           c.registerButton,
                                           c.registrationCancelButton};
        QCOMPARE(tabChain(expected.first(), expected.size()), expected);
    }

    void controlsWithoutAFont_useTheWindowsNotTheirFrames()
    {
        WindowHarness h(kNoService);
        const Controls c = h.controls();
        const qreal windowPoints = h.window->font().pointSizeF();
        QVERIFY(windowPoints != 7.5);
        QCOMPARE(c.registrationBox->font().pointSizeF(), 7.5);
        for (QWidget *w :
             QList<QWidget *>{c.platformLink(0), c.tipsLabel(TipsLabel::LinkPanelHeading), c.linkPanelToggle,
                              c.loginButton, c.registerButton, c.tipsLabel(27), c.regPlatform})
            QCOMPARE(w->font().pointSizeF(), windowPoints);
        // Own fonts stay: 宋体 10.5 and Arial 9.75 inside the login box.
        QCOMPARE(c.tipsLabel(24)->font().pointSizeF(), 10.5);
        QCOMPARE(c.loginUser->font().pointSizeF(), 9.75);
        // The registration box's grey is its caption's, not its buttons'.
        QVERIFY(c.registerButton->palette().color(QPalette::ButtonText) != QColor(0x40, 0x40, 0x40));
    }

    void tabOrder_followsTheTableAcrossTheBoxes()
    {
        WindowHarness h(kNoService);
        const Controls c = h.controls();
        // Tab 2..8 registration box, 18..21 and 28 login box, 31 outplan, 34 panel button.
        const QList<QWidget *> expected = {c.regUser,
                                           c.regPass,
                                           c.regEmail,
                                           c.regPlatform,
                                           c.regPlatformAccount,
                                           c.registerButton,
                                           c.registrationCancelButton,
                                           c.loginButton,
                                           c.loginUser,
                                           c.loginPass,
                                           c.goToRegistrationButton,
                                           c.closeLoginButton,
                                           c.outplan,
                                           c.linkPanelToggle};
        QCOMPARE(tabChain(expected.first(), expected.size()), expected);
    }

    void boxKeys_actAsTheirButtons_data()
    {
        QTest::addColumn<QString>("box");   // the box open before the key
        QTest::addColumn<QString>("focus"); // the control that has the focus
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("disabled"); // a button disabled first: its request in flight
        QTest::addColumn<QString>("clicked");  // the button the key pressed, if any
        // The control whose click opens the box, the focus elsewhere; none: the test shows the
        // box and puts the focus.
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("account"); // in login_user before, as the saved login puts it
        const QString login = u"frame_login"_s;
        const QString reg = u"frame_reg"_s;
        const int enter = Qt::Key_Return;
        const int keypadEnter = Qt::Key_Enter;
        const int esc = Qt::Key_Escape;
        QTest::newRow("Enter in the account")
            << login << u"login_user"_s << enter << QString() << u"vip_login"_s << QString() << QString();
        QTest::newRow("keypad Enter in the password")
            << login << u"login_pass"_s << keypadEnter << QString() << u"vip_login"_s << QString() << QString();
        QTest::newRow("Enter while signing in")
            << login << u"login_pass"_s << enter << u"vip_login"_s << QString() << QString() << QString();
        QTest::newRow("Enter on the register button")
            << login << u"vip_gotoreg"_s << enter << QString() << QString() << QString() << QString();
        QTest::newRow("Enter in the new account")
            << reg << u"reg_user"_s << enter << QString() << u"vip_reg"_s << QString() << QString();
        QTest::newRow("Enter in the new password")
            << reg << u"reg_pass"_s << enter << QString() << u"vip_reg"_s << QString() << QString();
        QTest::newRow("Enter in the e-mail")
            << reg << u"reg_email"_s << keypadEnter << QString() << u"vip_reg"_s << QString() << QString();
        QTest::newRow("Enter in the platform list")
            << reg << u"reg_pt"_s << enter << QString() << u"vip_reg"_s << QString() << QString();
        QTest::newRow("Enter in the bound account")
            << reg << u"user_shishicaiattachid"_s << enter << QString() << u"vip_reg"_s << QString() << QString();
        QTest::newRow("Enter while registering")
            << reg << u"reg_email"_s << enter << u"vip_reg"_s << QString() << QString() << QString();
        QTest::newRow("Esc in the password")
            << login << u"login_pass"_s << esc << QString() << u"vip_closelogin"_s << QString() << QString();
        QTest::newRow("Esc on the login button")
            << login << u"vip_login"_s << esc << QString() << u"vip_closelogin"_s << QString() << QString();
        QTest::newRow("Esc outside the login box")
            << login << u"regLinkPanelOC"_s << esc << QString() << u"vip_closelogin"_s << QString() << QString();
        QTest::newRow("Esc in the platform list")
            << reg << u"reg_pt"_s << esc << QString() << u"vip_reg_undo"_s << QString() << QString();
        QTest::newRow("Esc outside the registration box")
            << reg << u"regLinkPanelOC"_s << esc << QString() << u"vip_reg_undo"_s << QString() << QString();
        QTest::newRow("Esc while registering")
            << reg << u"reg_user"_s << esc << u"vip_reg_undo"_s << QString() << QString() << QString();
        QTest::newRow("Esc with no box open")
            << QString() << u"regLinkPanelOC"_s << esc << QString() << QString() << QString() << QString();
        // A box opened by the user takes the keys at once.
        QTest::newRow("登录软件, then Enter in the account")
            << login << u"login_user"_s << enter << QString() << u"vip_login"_s << u"tips_label(1)"_s << QString();
        QTest::newRow("登录软件 with a saved account, then Enter in the password")
            << login << u"login_pass"_s << enter << QString() << u"vip_login"_s << u"tips_label(1)"_s << u"demo"_s;
        QTest::newRow("注册软件账号, then Enter in the new account")
            << reg << u"reg_user"_s << enter << QString() << u"vip_reg"_s << u"tips_label(2)"_s << QString();
        QTest::newRow("注册 from the login box, then Enter in the new account")
            << reg << u"reg_user"_s << enter << QString() << u"vip_reg"_s << u"vip_gotoreg"_s << QString();
    }

    void boxKeys_actAsTheirButtons()
    {
        QFETCH(QString, box);
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, disabled);
        QFETCH(QString, clicked);
        QFETCH(QString, opener);
        QFETCH(QString, account);
        WindowHarness h(kNoService);
        h.window->show();
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.controls().loginUser->setText(account);
        auto *target = h.window->findChild<QWidget *>(focus);
        if (!opener.isEmpty()) {
            h.controls().linkPanelToggle->setFocus();
            auto *control = h.window->findChild<QWidget *>(opener);
            // A button inside a box is clicked in its open box.
            if (auto *around = qobject_cast<QGroupBox *>(control->parentWidget()))
                around->show();
            QTest::mouseClick(control, Qt::LeftButton);
        } else if (!box.isEmpty()) {
            h.window->findChild<QGroupBox *>(box)->show();
        }
        QMap<QString, int> clicks;
        for (auto *button : h.window->findChildren<QPushButton *>())
            connect(button, &QPushButton::clicked, this, [&clicks, button] { ++clicks[button->objectName()]; });
        if (!disabled.isEmpty())
            h.window->findChild<QPushButton *>(disabled)->setEnabled(false);
        if (opener.isEmpty())
            target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);

        QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QMap<QString, int> expected;
        if (!clicked.isEmpty())
            expected.insert(clicked, 1);
        QCOMPARE(clicks, expected);
        // A close button hides its box; anything else leaves the open box open.
        const bool closes = clicked == u"vip_closelogin"_s || clicked == u"vip_reg_undo"_s;
        if (!box.isEmpty())
            QCOMPARE(h.window->findChild<QGroupBox *>(box)->isVisible(), !closes);
    }

    void bringToFront_restoresAndActivatesAShownWindow_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("shownAfter");
        QTest::newRow("minimised") << u"minimised"_s << true;
        QTest::newRow("maximised, then minimised") << u"maximised"_s << true;
        QTest::newRow("behind another window") << u"behind"_s << true;
        // The program shows its window as soon as start-up begins; one never shown stays hidden.
        QTest::newRow("never shown") << u"never shown"_s << false;
        QTest::newRow("closed by the program") << u"closed"_s << false;
    }

    void bringToFront_restoresAndActivatesAShownWindow()
    {
        QFETCH(QString, before);
        QFETCH(bool, shownAfter);
        WindowHarness h(kNoService);
        QVERIFY(h.startUp());
        QWidget other;
        if (before != u"never shown"_s) {
            h.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        }
        if (before == u"minimised"_s)
            h.window->showMinimized();
        if (before == u"maximised"_s) {
            h.window->showMaximized();
            h.window->setWindowState(h.window->windowState() | Qt::WindowMinimized);
        }
        if (before == u"behind"_s) {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        if (before == u"closed"_s) {
            // The tray icon is gone with the window; a second start of the program still asks.
            h.window->closeByProgram();
            bringToFront(h.window.get());
        } else {
            // The tray icon's notifier says the user clicked it; the window's tray piece answers.
            auto *notifier = h.window->findChild<TrayNotifier *>();
            QVERIFY(notifier);
            Q_EMIT notifier->iconActivated();
        }

        QCOMPARE(h.window->isVisible(), shownAfter);
        if (!shownAfter)
            return;
        QVERIFY(!(h.window->windowState() & Qt::WindowMinimized));
        QCOMPARE(bool(h.window->windowState() & Qt::WindowMaximized), before == u"maximised"_s);
        QTRY_VERIFY(h.window->isActiveWindow());
    }

    void inputControls_haveAccessibleNames()
    {
        WindowHarness h(kNoService);
        h.window->show();
        const Controls c = h.controls();
        for (QWidget *w : QList<QWidget *>{c.loginBox, c.registrationBox, c.outplan})
            w->show();
        // Fields say their label's text; buttons their caption.
        QMap<QString, QString> expected = {
            {u"login_user"_s, u"账号"_s},
            {u"login_pass"_s, u"密码"_s},
            {u"reg_user"_s, u"账号"_s},
            {u"reg_pass"_s, u"密码"_s},
            {u"reg_email"_s, u"邮箱"_s},
            {u"reg_pt"_s, u"平台"_s},
            {u"user_shishicaiattachid"_s, u"绑定彩票平台账号"_s},
            {u"outplan"_s, u"外接软件投注号"_s},
            {u"vip_login"_s, u"登录"_s},
            {u"vip_gotoreg"_s, u"注册"_s},
            {u"vip_reg"_s, u"提交"_s},
            {u"vip_reg_undo"_s, u"取消"_s},
        };
        QStringList named;
        for (QWidget *w : h.window->findChildren<QWidget *>()) {
            const bool input = qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) ||
                               qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QAbstractButton *>(w);
            if (!input || !w->isVisible())
                continue;
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
            QVERIFY(iface);
            const QString name = iface->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty(), qPrintable(w->objectName()));
            if (expected.contains(w->objectName()))
                QCOMPARE(name, expected.value(w->objectName()));
            named.append(w->objectName());
        }
        for (const QString &control : expected.keys())
            QVERIFY2(named.contains(control), qPrintable(control));
        // The label is the field's, for a screen reader that follows the link between them.
        const auto labels = QAccessible::queryAccessibleInterface(c.regEmail)->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->object(), c.tipsLabel(29));
    }

    void linkPanel_togglesBetweenItsTwoWidths()
    {
        WindowHarness h(kNoService);
        h.window->show();
        const Controls c = h.controls();
        QCOMPARE(c.linkPanel->width(), 404);
        // Closed: links from index 6 on lie beyond the panel's right edge.
        for (int i = 6; i < 12; ++i)
            QVERIFY(c.platformLink(i)->x() >= c.linkPanel->width());
        QVERIFY(c.platformLink(5)->x() < c.linkPanel->width());

        QTest::mouseClick(c.linkPanelToggle, Qt::LeftButton);
        QCOMPARE(c.linkPanel->width(), 995);
        QCOMPARE(c.linkPanelToggle->x(), 968);
        for (int i = 0; i < 12; ++i)
            QVERIFY(c.platformLink(i)->geometry().right() < c.linkPanel->width());

        QTest::mouseClick(c.linkPanelToggle, Qt::LeftButton);
        QCOMPARE(c.linkPanel->width(), 401); // 6015 twips, not the layout's 6060
        QCOMPARE(c.linkPanelToggle->x(), 384);
    }

    void selfServiceLink_opensThePanelAndTurnsTheHeadingRed()
    {
        WindowHarness h(kNoService);
        const Controls c = h.controls();
        QCOMPARE(textColour(c.tipsLabel(TipsLabel::LinkPanelHeading)), QColor(Qt::black));
        h.click(u"reg_pabble_regplt"_s);
        QCOMPARE(c.linkPanel->width(), 995);
        QCOMPARE(textColour(c.tipsLabel(TipsLabel::LinkPanelHeading)), QColor(0xFF, 0, 0));
        // Already open: it stays open.
        h.click(u"reg_pabble_regplt"_s);
        QCOMPARE(c.linkPanel->width(), 995);
        QTest::mouseClick(c.linkPanelToggle, Qt::LeftButton);
        QCOMPARE(c.linkPanel->width(), 401);
        QCOMPARE(textColour(c.tipsLabel(TipsLabel::LinkPanelHeading)), QColor(Qt::black));
    }

    void noticeLabels_switchBoxesAndOthersDoNothing()
    {
        WindowHarness h(kNoService);
        h.window->show();
        const Controls c = h.controls();
        QTest::mouseClick(c.tipsLabel(TipsLabel::RegistrationLink), Qt::LeftButton);
        QVERIFY(c.registrationBox->isVisible() && !c.loginBox->isVisible());
        QTest::mouseClick(c.tipsLabel(TipsLabel::LoginLink), Qt::LeftButton);
        QVERIFY(c.loginBox->isVisible() && !c.registrationBox->isVisible());
        for (int index : {0, 4, 8, 6}) {
            QTest::mouseClick(c.tipsLabel(index), Qt::LeftButton);
            QVERIFY(c.loginBox->isVisible() && !c.registrationBox->isVisible());
            QVERIFY(h.page->scripts.isEmpty());
        }
        QTest::mouseClick(c.goToRegistrationButton, Qt::LeftButton);
        QVERIFY(c.registrationBox->isVisible() && !c.loginBox->isVisible());
        QTest::mouseClick(c.registrationCancelButton, Qt::LeftButton);
        QVERIFY(!c.registrationBox->isVisible() && !c.loginBox->isVisible());
        h.click(u"tips_label(1)"_s);
        QTest::mouseClick(c.closeLoginButton, Qt::LeftButton);
        QVERIFY(!c.registrationBox->isVisible() && !c.loginBox->isVisible());
    }

    void clicks_reachTheirActions_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("opened");    // the address given to the default browser, if any
        QTest::addColumn<QString>("clipboard"); // the clipboard afterwards
        const QString before = u"clipboard before"_s;
        QTest::newRow("first platform link") << u"reglinks(0)"_s << kNoService + u"reg.php?g=code0"_s << before;
        QTest::newRow("last platform link") << u"reglinks(11)"_s << kNoService + u"reg.php?g=code11"_s << before;
        QTest::newRow("draw results download") << u"tips_label(9)"_s << kNoService + u"a/awddownload.html"_s << before;
        QTest::newRow("copy the plan") << u"tips_label(7)"_s << QString() << u"第1期 01 02"_s;
        QTest::newRow("start-up notice") << u"tips_label(0)"_s << QString() << before;
        QTest::newRow("notice line") << u"tips_label(4)"_s << QString() << before;
    }

    void clicks_reachTheirActions()
    {
        QFETCH(QString, control);
        QFETCH(QString, opened);
        QFETCH(QString, clipboard);
        UrlRecorder browser;
        // The link codes come with the software information.
        QStringList codes;
        for (int i = 0; i < 12; ++i)
            codes.append(u"code"_s + QString::number(i));
        LoopbackServer service;
        const QByteArray answer = "{\"reg_url\":\"" + codes.join(u'|').toUtf8() + "\"}";
        service.setHandler([answer](const LoopbackServer::Received &, int) {
            return LoopbackServer::Answer{200, "text/plain; charset=utf-8", answer};
        });
        WindowHarness h(service.base(), {}, QByteArrayLiteral("[daili]\r\ncode=zq_softinfo\r\n"), {}, kNoService);
        QVERIFY(h.startUp());
        h.window->show();
        // Only the click may read the page.
        h.controls().countDown->stop();
        h.controls().startTimer->stop();
        h.page->globals.insert(u"tzPlan"_s, u"第1期 01 02"_s);
        QGuiApplication::clipboard()->setText(u"clipboard before"_s);
        const int readsBefore = h.page->reads;

        auto *target = h.window->findChild<QWidget *>(control);
        QVERIFY(target);
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(browser.urls, opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(opened)});
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), clipboard);
        const bool copies = control == u"tips_label(7)"_s;
        QCOMPARE(h.page->reads - readsBefore, copies ? 1 : 0);
        QCOMPARE(h.page->scripts.size(), copies ? 1 : 0);
    }

    void close_asksOnlyTheUser_inChinese_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("asks");
        QTest::newRow("title bar, system menu or Alt+F4") << u"user"_s << true;
        QTest::newRow("by the program") << u"program"_s << false;
        QTest::newRow("the desktop session ending") << u"log-off"_s << false;
        QTest::newRow("the user, after a log-off that was cancelled") << u"after log-off"_s << true;
    }

    void close_asksOnlyTheUser_inChinese()
    {
        QFETCH(QString, how);
        QFETCH(bool, asks);
        WindowHarness h(kNoService);
        QVERIFY(h.startUp());
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        // The real box this time: its buttons are read and it is cancelled.
        h.dialogs().setScriptedAnswer(std::nullopt);
        QStringList buttons;
        QTimer boxWatch;
        boxWatch.setInterval(10);
        connect(&boxWatch, &QTimer::timeout, this, [&buttons] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            buttons = {box->button(QMessageBox::Ok)->text(), box->button(QMessageBox::Cancel)->text()};
            box->button(QMessageBox::Cancel)->click();
        });
        boxWatch.start();
        const auto closeAsTheWindowSystemDoes = [&h] {
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
                h.window->windowHandle());
        };
        // The session manager asks the program to save its data, as a log-off does; the
        // window system closes the window meanwhile, or the log-off is cancelled.
        QMetaObject::Connection duringLogOff;
        if (how == u"log-off"_s)
            duringLogOff = connect(qApp, &QGuiApplication::commitDataRequest, this, closeAsTheWindowSystemDoes);
        if (how == u"log-off"_s || how == u"after log-off"_s)
            QGuiApplicationPrivate::instance()->commitData();
        disconnect(duringLogOff);
        if (how == u"program"_s)
            h.window->close();
        else if (how != u"log-off"_s)
            closeAsTheWindowSystemDoes();
        boxWatch.stop();

        QCOMPARE(h.shownTexts(), asks ? QStringList{u"确认退出?"_s} : QStringList{});
        QCOMPARE(buttons, asks ? (QStringList{u"确定"_s, u"取消"_s}) : QStringList{});
        // Cancelled by the user: the program goes on. Closed otherwise: it ends.
        QCOMPARE(h.window->isVisible(), asks);
        QCOMPARE(h.exits, asks ? QList<int>{} : QList<int>{0});
    }

    void startUp_removesTheLeftoversOfInterruptedSettingsWrites()
    {
        WindowHarness h(kNoService);
        const QString cfg = h.programDir() + u"/cfg/"_s;
        const QStringList removed{u"cfg.ini.Ab12Cd"_s, u".cfg-probe-x9Y8z7"_s};
        // Too new (another copy's write may be under way), or not of the program's naming.
        const QStringList kept{u"cfg.ini.Zz99Yy"_s, u"cfg.ini.bak"_s, u"cfg.ini.ABCDEFG"_s, u"cfg.ini.a-b_cd"_s,
                               u"old.ini.Ab12Cd"_s};
        for (const QString &name : removed + kept) {
            QFile file(cfg + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("login_pass=secret\r\n") > 0 && file.flush());
            if (name != u"cfg.ini.Zz99Yy"_s)
                QVERIFY(
                    file.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime));
        }
        QVERIFY(h.startUp());
        for (const QString &name : removed)
            QVERIFY2(!QFile::exists(cfg + name), qPrintable(name));
        for (const QString &name : kept)
            QVERIFY2(QFile::exists(cfg + name), qPrintable(name));
        QVERIFY(QFile::exists(h.cfgPath()));
    }

    void startUp_setsCaptionTrayAndTimers()
    {
        // A service that answers everything with nothing: start-up runs to its end, and a login
        // shows what the window learned of the machine.
        LoopbackServer service;
        service.setHandler([](const LoopbackServer::Received &, int) {
            return LoopbackServer::Answer{200, "text/plain", {}};
        });
        WindowHarness h(service.base(), {},
                        QByteArrayLiteral("[daili]\r\ncode=zq_softinfo\r\n[vip_user_info]\r\nlogin_user=saved\r\n"));
        QVERIFY(h.startUp());
        QCOMPARE(h.window->windowTitle(), programName() + u"(v1.7) "_s);
        QVERIFY(h.controls().startTimer->isActive());
        QCOMPARE(h.controls().startTimer->interval(), 2000);
        // web_ctl is the window's page, and silent.
        QVERIFY(h.page->silent);
        // cfg_path is the file beside the program: the saved login comes from it.
        QCOMPARE(h.controls().loginUser->text(), u"saved"_s);

        // The icon goes up with its picture and the caption of that moment: the layout's
        // caption, without the version.
        const TrayLog &tray = *h.tray;
        QCOMPARE(tray.calls, (QStringList{u"icon"_s, u"tip"_s, u"show"_s}));
        QVERIFY(tray.visible);
        // The program's own icon, with its images from 16 to 256 pixels.
        const QList<QSize> sizes = tray.icon.availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(48, 48)) && sizes.contains(QSize(256, 256)));
        QCOMPARE(tray.toolTip, programName());

        // machine_hash: the 32 hexadecimal digits of the MD5 of machine_mac.
        h.controls().loginPass->setText(u"x"_s);
        h.click(u"vip_login"_s);
        QTRY_VERIFY(!h.loginFlow().signingIn());
        QByteArray login;
        for (const LoopbackServer::Received &request : service.received())
            login = request.target.contains("a=login_2016") ? request.target : login;
        const QString hash = QUrlQuery(QUrl(QString::fromLatin1(login))).queryItemValue(u"hash"_s);
        QCOMPARE(hash.size(), 32);
        QCOMPARE(hash, md5Hex(getMacAddress()));
    }

    void msgTips_beforeTheTrayShowsNothing_afterShowsABalloon()
    {
        WindowHarness h(kNoService);
        h.window->showNotice(u"早"_s);
        QVERIFY(h.tray->calls.isEmpty());
        h.window->setTrayIconShown(true);
        h.window->showNotice(u"号码已复制"_s);
        QCOMPARE(h.tray->balloons.size(), 1);
        const TrayLog::Balloon &balloon = h.tray->balloons.last();
        QCOMPARE(balloon.text, u"号码已复制"_s);
        QCOMPARE(balloon.title, u"栖木提示"_s);
        QCOMPARE(balloon.icon, QSystemTrayIcon::Information);
        QCOMPARE(balloon.timeoutMs, 2000);
    }

    void userClose_cancelKeepsEverything()
    {
        WindowHarness h(kNoService);
        QVERIFY(h.startUp());
        h.window->show();
        const qsizetype callsBefore = h.tray->calls.size();
        h.dialogs().setScriptedAnswer(false);
        QVERIFY(!h.window->closeRequested(true));
        QCOMPARE(h.dialogs().shown().last().text, u"确认退出?"_s);
        QCOMPARE(h.dialogs().shown().last().title, programName() + u" - 关闭提示"_s);
        QVERIFY(h.dialogs().shown().last().withCancel);
        QVERIFY(h.window->isVisible());
        QVERIFY(h.tray->visible);
        QCOMPARE(h.tray->calls.size(), callsBefore);
        QVERIFY(h.controls().countDown->isActive());
        QVERIFY(h.exits.isEmpty());
    }

    void userClose_okUnloadsAndRemovesTheIcon()
    {
        WindowHarness h(kNoService);
        QVERIFY(h.startUp());
        h.dialogs().setScriptedAnswer(true);
        QVERIFY(h.window->closeRequested(true));
        QCOMPARE(h.exits, QList<int>{0});
        QCOMPARE(h.tray->calls.last(), u"hide"_s);
        QVERIFY(!h.tray->visible);
        QVERIFY(!h.controls().countDown->isActive());
    }

    void programClose_asksNothing()
    {
        WindowHarness h(kNoService);
        QVERIFY(h.startUp());
        h.window->show();
        h.dialogs().clearShown();
        h.window->closeByProgram();
        QVERIFY(h.dialogs().shown().isEmpty());
        QCOMPARE(h.exits, QList<int>{0});
        QCOMPARE(h.tray->calls.last(), u"hide"_s);
        QVERIFY(!h.window->isVisible());
    }

    // What the program's boxes showed is nobody's business afterwards: only a test keeps it.
    void dialogs_ofTheProgramKeepNothingOfWhatTheyShowed()
    {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Dialogs dialogs(&window);
        QStringList closed;
        QTimer boxWatch;
        boxWatch.setInterval(10);
        connect(&boxWatch, &QTimer::timeout, this, [&closed] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            closed.append(box->text());
            box->button(QMessageBox::Ok)->click();
        });
        boxWatch.start();
        dialogs.information(u"登录失败，可能是网络问题，请稍候重试即可。"_s);
        boxWatch.stop();
        QCOMPARE(closed, QStringList{u"登录失败，可能是网络问题，请稍候重试即可。"_s});
        QCOMPARE(dialogs.shown().size(), 0);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
