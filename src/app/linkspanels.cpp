#include "linkspanels.h"

#include "appstate.h"
#include "browser/plancopy.h"
#include "browser/planpage.h"
#include "clickablelabel.h"
#include "controls.h"
#include "controltable.h"
#include "desktop/links.h"
#include "serviceaddresses.h"

#include <QGroupBox>
#include <QPushButton>

LinksPanels::LinksPanels(AppState &state, Controls &controls, const ServiceAddresses &addresses,
                         std::function<void(const QString &)> msgTips, QWidget *window)
    : m_state(state), m_controls(controls), m_addresses(addresses), m_msgTips(std::move(msgTips)), m_window(window)
{
}

void LinksPanels::tipsAction(int index)
{
    switch (index) {
    case TipsLabel::LoginLink:
        m_controls.frame_login->show();
        m_controls.frame_reg->hide();
        break;
    case TipsLabel::RegistrationLink:
        m_controls.frame_login->hide();
        m_controls.frame_reg->show();
        break;
    // The copy links show only after login, long after start-up has given the window its page.
    case TipsLabel::CopyNumbersLink:
        if (m_state.web_ctl)
            tarel_tools::copyCodes(*m_state.web_ctl, m_window, m_msgTips);
        break;
    case TipsLabel::CopyPlanLink:
        if (m_state.web_ctl)
            tarel_tools::copyPlan(*m_state.web_ctl, m_window, m_msgTips);
        break;
    case TipsLabel::DownloadLink:
        tarel_tools::openUrl(m_addresses.downloadPage());
        break;
    default:
        break;
    }
}

void LinksPanels::openRegLink(int index)
{
    tarel_tools::openUrl(m_addresses.regLink(index));
}

bool LinksPanels::panelOpen() const
{
    return m_controls.regLinkPanel->width() * 15 >= kOpenThreshold;
}

void LinksPanels::setPanel(int widthTwips, int buttonLeftTwips)
{
    m_controls.regLinkPanel->resize(twipsToPixels(widthTwips), m_controls.regLinkPanel->height());
    m_controls.regLinkPanelOC->move(twipsToPixels(buttonLeftTwips), m_controls.regLinkPanelOC->y());
}

void LinksPanels::setHeadingColour(const QColor &colour)
{
    ClickableLabel *heading = m_controls.tipsLabel(TipsLabel::LinkPanelHeading);
    if (!heading)
        return;
    QPalette palette = heading->palette();
    palette.setColor(QPalette::WindowText, colour);
    heading->setPalette(palette);
}

void LinksPanels::regLinkPanelOC_Click()
{
    setHeadingColour(QColor(0x00, 0x00, 0x00));
    if (panelOpen())
        setPanel(kClosedWidth, kClosedButtonLeft);
    else
        setPanel(kOpenWidth, kOpenButtonLeft);
}

void LinksPanels::reg_pabble_regplt_Click()
{
    setHeadingColour(QColor(0xFF, 0x00, 0x00));
    setPanel(kOpenWidth, kOpenButtonLeft);
}
