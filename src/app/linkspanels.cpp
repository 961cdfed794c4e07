#include "linkspanels.h"

#include "app/window/boxkeys.h"
#include "app/window/clickablelabel.h"
#include "app/window/controls.h"
#include "app/window/controltable.h"
#include "appstate.h"
#include "browser/plancopy.h"
#include "browser/planpage.h"
#include "desktop/links.h"
#include "serviceaddresses.h"

#include <QGroupBox>
#include <QPushButton>

namespace zq {

LinksPanels::LinksPanels(AppState &state, Controls &controls, const ServiceAddresses &addresses,
                         std::function<void(const QString &)> showNotice, QWidget *window)
    : m_state(state), m_controls(controls), m_addresses(addresses), m_msgTips(std::move(showNotice)), m_window(window)
{
}

void LinksPanels::onTipsLabelClicked(int index)
{
    switch (index) {
    case TipsLabel::LoginLink:
        m_controls.loginBox->show();
        m_controls.registrationBox->hide();
        focusLoginBox(m_controls);
        break;
    case TipsLabel::RegistrationLink:
        m_controls.loginBox->hide();
        m_controls.registrationBox->show();
        focusRegistrationBox(m_controls);
        break;
    // The copy links show only after login, long after start-up has given the window its page.
    case TipsLabel::CopyNumbersLink:
        if (m_state.webCtl)
            copyCodes(*m_state.webCtl, m_window, m_msgTips);
        break;
    case TipsLabel::CopyPlanLink:
        if (m_state.webCtl)
            copyPlan(*m_state.webCtl, m_window, m_msgTips);
        break;
    case TipsLabel::DownloadLink:
        openUrl(m_addresses.downloadPage());
        break;
    default:
        break;
    }
}

void LinksPanels::openRegLink(int index)
{
    openUrl(m_addresses.platformLink(index));
}

bool LinksPanels::panelOpen() const
{
    return m_controls.linkPanel->width() * 15 >= kOpenThreshold;
}

void LinksPanels::setPanel(int widthTwips, int buttonLeftTwips)
{
    m_controls.linkPanel->resize(twipsToPixels(widthTwips), m_controls.linkPanel->height());
    m_controls.linkPanelToggle->move(twipsToPixels(buttonLeftTwips), m_controls.linkPanelToggle->y());
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

void LinksPanels::onLinkPanelToggleClicked()
{
    setHeadingColour(QColor(0x00, 0x00, 0x00));
    if (panelOpen())
        setPanel(kClosedWidth, kClosedButtonLeft);
    else
        setPanel(kOpenWidth, kOpenButtonLeft);
}

void LinksPanels::onPlatformSignUpClicked()
{
    setHeadingColour(QColor(0xFF, 0x00, 0x00));
    setPanel(kOpenWidth, kOpenButtonLeft);
}

} // namespace zq
