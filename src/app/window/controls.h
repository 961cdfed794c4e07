#pragma once

#include <QMap>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace zq {

class ClickableLabel;

// The notice labels that do something, by their fixed indices in the layout. The labels of
// the login and registration boxes (24 to 30, 44) only name their fields.
namespace TipsLabel {
constexpr int StartUpNotice = 0;
constexpr int LoginLink = 1;
constexpr int RegistrationLink = 2;
constexpr int NoticeLine = 4;
constexpr int CopyNumbersLink = 5;
constexpr int ExternalNumbersLabel = 6;
constexpr int CopyPlanLink = 7;
constexpr int LinkPanelHeading = 8;
constexpr int DownloadLink = 9;
} // namespace TipsLabel

// The platform link panel holds this many links, reglinks(0) to reglinks(11).
constexpr int kRegLinkCount = 12;

// Typed access to the window's controls. The widgets belong to the window; this only points
// at them. Each carries its object name from the layout table (shown beside it), by which
// LayoutBuilder::build() fills these and tests find them.
struct Controls
{
    QWidget *browser = nullptr;           // zq_main_web
    QGroupBox *linkPanel = nullptr;       // regLinkPanel
    QGroupBox *loginBox = nullptr;        // frame_login
    QGroupBox *registrationBox = nullptr; // frame_reg
    QPlainTextEdit *outplan = nullptr;    // outplan
    QLabel *trayPicture = nullptr;        // tarelMsgTipsPic

    QPushButton *linkPanelToggle = nullptr;                      // regLinkPanelOC
    std::array<ClickableLabel *, kRegLinkCount> platformLinks{}; // reglinks(0) to (11)

    QLineEdit *loginUser = nullptr;                // login_user
    QLineEdit *loginPass = nullptr;                // login_pass
    QPushButton *loginButton = nullptr;            // vip_login
    QPushButton *goToRegistrationButton = nullptr; // vip_gotoreg
    QPushButton *closeLoginButton = nullptr;       // vip_closelogin

    QLineEdit *regUser = nullptr;                    // reg_user
    QLineEdit *regPass = nullptr;                    // reg_pass
    QLineEdit *regEmail = nullptr;                   // reg_email
    QComboBox *regPlatform = nullptr;                // reg_pt
    QLineEdit *regPlatformAccount = nullptr;         // user_shishicaiattachid
    ClickableLabel *platformSignUpLink = nullptr;    // reg_pabble_regplt
    QPushButton *registerButton = nullptr;           // vip_reg
    QPushButton *registrationCancelButton = nullptr; // vip_reg_undo

    QTimer *startTimer = nullptr; // delay_timer
    QTimer *countDown = nullptr;  // count_down

    // tips_label by its fixed indices; an index the layout does not list has no label.
    QMap<int, ClickableLabel *> tipsLabels;

    ClickableLabel *tipsLabel(int index) const { return tipsLabels.value(index, nullptr); }
    // reglinks(index)
    ClickableLabel *platformLink(int index) const
    {
        return index >= 0 && index < int(platformLinks.size()) ? platformLinks[size_t(index)] : nullptr;
    }
};

} // namespace zq
