#include "controltable.h"

#include "apptexts.h"
#include "controls.h"

namespace zq {

namespace {

constexpr bool Hidden = true;
constexpr bool Shown = false;
constexpr bool Hand = true;
constexpr bool Arrow = false;
constexpr auto L = TextAlign::Left;
constexpr auto R = TextAlign::Right;
constexpr auto C = TextAlign::Centre;

constexpr FontDescription noFont{};
constexpr FontDescription song(double points, bool underline = false)
{
    return {FontFace::SongTi, points, underline};
}
constexpr FontDescription arial975{FontFace::Arial, 9.75, false};

std::vector<ControlDescription> buildTable()
{
    using K = ControlKind;
    std::vector<ControlDescription> rows = {
        // name, index, parent, kind, left, top, width, height, text, align, text colour, background, font,
        // cursor, tool tip, tab, hidden[, the control a label names]
        {u"zq_main_web", -1, nullptr, K::Browser, 0, 0, 15255, 8535, nullptr, L, nullptr, nullptr, noFont, Arrow,
         nullptr, 0, Hidden},
        {u"regLinkPanel", -1, nullptr, K::Frame, 50, 50, 6060, 500, nullptr, L, nullptr, "#F7FAFE", song(7.5), Arrow,
         nullptr, 33, Shown},
        {u"frame_login", -1, nullptr, K::Frame, 8400, 8160, 6732, 955, nullptr, L, nullptr, nullptr, song(7.5), Arrow,
         nullptr, 17, Hidden},
        {u"frame_reg", -1, nullptr, K::Frame, 12360, 5760, 2772, 3375, nullptr, L, "#404040", nullptr, song(7.5), Arrow,
         nullptr, 1, Hidden},
        {u"outplan", -1, nullptr, K::MultiLineTextBox, 10680, 8600, 3015, 510, u"", L, nullptr, nullptr, noFont, Arrow,
         nullptr, 31, Hidden},
        {u"tarelMsgTipsPic", -1, nullptr, K::PictureBox, 8520, 8640, 132, 372, nullptr, L, nullptr, nullptr, noFont,
         Arrow, nullptr, 16, Hidden},
        {u"tips_label", TipsLabel::StartUpNotice, nullptr, K::Label, 3000, 1440, 7932, 492,
         u"栖木软件正在初始化，请稍等。。。", C, "#808080", nullptr, song(12), Arrow, nullptr, 15, Shown},
        {u"tips_label", TipsLabel::LoginLink, nullptr, K::LinkLabel, 10440, 8640, 975, 255, u"登录软件", R, "#C00000",
         nullptr, song(10.5, true), Hand, nullptr, 24, Shown},
        {u"tips_label", TipsLabel::RegistrationLink, nullptr, K::LinkLabel, 11640, 8640, 1575, 255, u"注册软件账号", R,
         "#C00000", nullptr, song(10.5, true), Hand, nullptr, 25, Shown},
        {u"tips_label", TipsLabel::NoticeLine, nullptr, K::Label, 120, 8640, 7335, 495, u"", L, "#808080", nullptr,
         song(9, true), Arrow, nullptr, 27, Shown},
        {u"tips_label", TipsLabel::CopyNumbersLink, nullptr, K::LinkLabel, 13560, 8640, 1575, 255, u"复制投注号码", R,
         "#D00000", nullptr, song(10.5, true), Hand, nullptr, 29, Hidden},
        {u"tips_label", TipsLabel::ExternalNumbersLabel, nullptr, K::Label, 9840, 8640, 735, 495, u"外接软件投注号：",
         R, "#0000FF", nullptr, noFont, Hand, nullptr, 30, Hidden, u"outplan"},
        {u"tips_label", TipsLabel::CopyPlanLink, nullptr, K::LinkLabel, 13560, 8880, 1575, 255, u"复制计划方案", R,
         "#0000FF", nullptr, song(10.5, true), Hand, nullptr, 32, Hidden},
        {u"tips_label", TipsLabel::DownloadLink, nullptr, K::LinkLabel, 7200, 8640, 1215, 255, u"奖号下载", R,
         "#C00000", nullptr, song(10.5, true), Hand, nullptr, 49, Shown},

        // The platform link panel.
        {u"regLinkPanelOC", -1, u"regLinkPanel", K::PushButton, 5760, 50, 252, 396, u"←→", L, nullptr, "#FF8080",
         noFont, Hand, u"展开/关闭平台开户链接", 34, Shown},
        {u"tips_label", TipsLabel::LinkPanelHeading, u"regLinkPanel", K::Label, 240, 240, 2055, 255,
         AppTexts::linkPanelHeading, R, "#000000", nullptr, noFont, Arrow, nullptr, 35, Shown},

        // The login box.
        {u"tips_label", 24, u"frame_login", K::Label, 120, 280, 732, 252, u"账号：", R, "#000000", nullptr, song(10.5),
         Arrow, nullptr, 22, Shown, u"login_user"},
        {u"login_user", -1, u"frame_login", K::TextBox, 840, 240, 1332, 390, u"", L, "#404040", "buttonface", arial975,
         Arrow, nullptr, 19, Shown},
        {u"tips_label", 25, u"frame_login", K::Label, 2400, 280, 732, 252, u"密码：", R, "#000000", nullptr, song(10.5),
         Arrow, nullptr, 23, Shown, u"login_pass"},
        {u"login_pass", -1, u"frame_login", K::PasswordBox, 3120, 240, 1332, 390, u"", L, "#404040", "buttonface",
         arial975, Arrow, nullptr, 20, Shown},
        {u"vip_login", -1, u"frame_login", K::PushButton, 4680, 240, 732, 396, u"登录", L, nullptr, nullptr, noFont,
         Hand, nullptr, 18, Shown},
        {u"vip_gotoreg", -1, u"frame_login", K::PushButton, 5520, 240, 732, 396, u"注册", L, nullptr, nullptr, noFont,
         Hand, u"去注册！", 21, Shown},
        {u"vip_closelogin", -1, u"frame_login", K::PushButton, 6360, 240, 252, 396, u"x", L, nullptr, nullptr, noFont,
         Hand, u"关闭登录框", 28, Shown},

        // The registration box, top to bottom.
        {u"reg_user", -1, u"frame_reg", K::TextBox, 960, 200, 1692, 405, u"", L, "#404040", "#E0E0E0", arial975, Arrow,
         nullptr, 2, Shown},
        {u"tips_label", 27, u"frame_reg", K::Label, 120, 360, 735, 255, u"账号：", R, "#000000", nullptr, noFont, Arrow,
         nullptr, 13, Shown, u"reg_user"},
        {u"reg_pass", -1, u"frame_reg", K::TextBox, 960, 650, 1692, 405, u"", L, "#404040", "#E0E0E0", arial975, Arrow,
         nullptr, 3, Shown},
        {u"tips_label", 26, u"frame_reg", K::Label, 120, 720, 735, 255, u"密码：", R, "#000000", nullptr, noFont, Arrow,
         nullptr, 14, Shown, u"reg_pass"},
        {u"reg_email", -1, u"frame_reg", K::TextBox, 960, 1100, 1692, 405, u"@", L, "#404040", "#E0E0E0", arial975,
         Arrow, nullptr, 4, Shown},
        {u"tips_label", 29, u"frame_reg", K::Label, 120, 1150, 735, 255, u"邮箱：", R, "#000000", nullptr, noFont,
         Arrow, nullptr, 11, Shown, u"reg_email"},
        {u"reg_pt", -1, u"frame_reg", K::ComboBox, 960, 1560, 1692, 375, nullptr, L, "#404040", "#E0E0E0", noFont,
         Arrow, nullptr, 5, Shown},
        {u"tips_label", 44, u"frame_reg", K::Label, 120, 1600, 735, 255, u"平台：", R, "#000000", nullptr, noFont,
         Arrow, nullptr, 9, Shown, u"reg_pt"},
        {u"tips_label", 28, u"frame_reg", K::Label, 120, 2000, 735, 495, u"绑定彩票平台账号", R, "#000000", nullptr,
         noFont, Arrow, nullptr, 12, Shown, u"user_shishicaiattachid"},
        {u"user_shishicaiattachid", -1, u"frame_reg", K::TextBox, 960, 2040, 1692, 405, u"", L, "#404040", "#E0E0E0",
         arial975, Arrow, nullptr, 6, Shown},
        {u"reg_pabble_regplt", -1, u"frame_reg", K::LinkLabel, 1440, 2520, 1215, 255, u"平台自助开户", L, "#0000FF",
         nullptr, song(9, true), Arrow, nullptr, 48, Shown},
        {u"tips_label", 30, u"frame_reg", K::Label, 120, 2760, 2535, 375, u"请认真填写，并牢记注册信息", L, "#808080",
         nullptr, noFont, Arrow, nullptr, 10, Shown},
        {u"vip_reg", -1, u"frame_reg", K::PushButton, 240, 3000, 972, 252, u"提交", L, nullptr, nullptr, noFont, Hand,
         u"提交注册信息", 7, Shown},
        {u"vip_reg_undo", -1, u"frame_reg", K::PushButton, 1440, 3000, 972, 252, u"取消", L, nullptr, nullptr, noFont,
         Hand, u"退出注册面板", 8, Shown},
    };
    // The twelve platform links: placeholders until the software information names them.
    for (int i = 0; i < kRegLinkCount; ++i) {
        rows.push_back({u"reglinks", i, u"regLinkPanel", K::LinkLabel, 2400 + 720 * i, 240, 735, 375, u".", L,
                        "#1C369D", "#F7FAFE", noFont, Hand, nullptr, 36 + i, Shown});
    }
    return rows;
}

} // namespace

const std::vector<ControlDescription> &zqControlTable()
{
    static const std::vector<ControlDescription> table = buildTable();
    return table;
}

} // namespace zq
