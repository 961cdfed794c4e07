#pragma once

#include <QMap>

#include <array>

class ClickableLabel;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;

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

// Typed access to the window's controls by the names the program uses. The widgets
// belong to the window; this only points at them.
struct Controls
{
    QWidget *zq_main_web = nullptr;
    QGroupBox *regLinkPanel = nullptr;
    QGroupBox *frame_login = nullptr;
    QGroupBox *frame_reg = nullptr;
    QPlainTextEdit *outplan = nullptr;
    QLabel *tarelMsgTipsPic = nullptr;

    QPushButton *regLinkPanelOC = nullptr;
    std::array<ClickableLabel *, kRegLinkCount> reglinks{};

    QLineEdit *login_user = nullptr;
    QLineEdit *login_pass = nullptr;
    QPushButton *vip_login = nullptr;
    QPushButton *vip_gotoreg = nullptr;
    QPushButton *vip_closelogin = nullptr;

    QLineEdit *reg_user = nullptr;
    QLineEdit *reg_pass = nullptr;
    QLineEdit *reg_email = nullptr;
    QComboBox *reg_pt = nullptr;
    QLineEdit *user_shishicaiattachid = nullptr;
    ClickableLabel *reg_pabble_regplt = nullptr;
    QPushButton *vip_reg = nullptr;
    QPushButton *vip_reg_undo = nullptr;

    QTimer *delay_timer = nullptr;
    QTimer *count_down = nullptr;

    // The notice labels by their fixed indices; an index the layout does not list has no label.
    QMap<int, ClickableLabel *> tips_label;

    ClickableLabel *tipsLabel(int index) const { return tips_label.value(index, nullptr); }
    ClickableLabel *regLink(int index) const
    {
        return index >= 0 && index < int(reglinks.size()) ? reglinks[size_t(index)] : nullptr;
    }
};
