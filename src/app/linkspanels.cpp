#include "linkspanels.h"

#include "app/window/apptexts.h"
#include "app/window/clickablelabel.h"
#include "app/window/controltable.h"
#include "browser/plancopy.h"
#include "browser/planpage.h"
#include "desktop/links.h"
#include "serviceaddresses.h"
#include "softwareinfo.h"

#include <QColor>
#include <QGroupBox>
#include <QPalette>
#include <QPushButton>

namespace zq {

LinksPanels::LinksPanels(Widgets widgets, const ServiceAddresses &addresses, QObject *parent)
    : QObject(parent), m_widgets(widgets), m_addresses(addresses)
{}

void LinksPanels::setPage(PlanPage *page)
{
    m_page = page;
}

void LinksPanels::showSoftwareInfo(const SoftwareInformation &info)
{
    if (!info.contact.isEmpty() && m_widgets.heading)
        m_widgets.heading->setText(info.contact + QString::fromUtf16(AppTexts::linkPanelHeading));
    if (info.platformNames.isEmpty())
        return;
    // Every answer shows the links it names and hides the rest, so a link hidden by an earlier
    // answer comes back when a later one names it again. Names past the twelfth have no label
    // and are dropped.
    for (int i = 0; i < kRegLinkCount; ++i) {
        ClickableLabel *link = m_widgets.platformLinks[size_t(i)];
        if (!link)
            continue;
        if (i < info.platformNames.size()) {
            link->setText(info.platformNames.at(i) + QStringLiteral(" |"));
            link->show();
        } else {
            link->hide();
        }
    }
}

// The copy links show only after login, long after start-up has given the window its page.
void LinksPanels::copyNumbers()
{
    if (m_page)
        copyCodes(*m_page, this, [this](const QString &text) { Q_EMIT notice(text); });
}

void LinksPanels::copyPlan()
{
    if (m_page)
        zq::copyPlan(*m_page, this, [this](const QString &text) { Q_EMIT notice(text); });
}

void LinksPanels::openDownloadPage()
{
    openUrl(m_addresses.downloadPage());
}

void LinksPanels::openRegLink(int index)
{
    openUrl(m_addresses.platformLink(index));
}

bool LinksPanels::panelOpen() const
{
    return m_widgets.linkPanel->width() * 15 >= kOpenThreshold;
}

void LinksPanels::setPanel(int widthTwips, int buttonLeftTwips)
{
    m_widgets.linkPanel->resize(twipsToPixels(widthTwips), m_widgets.linkPanel->height());
    m_widgets.linkPanelToggle->move(twipsToPixels(buttonLeftTwips), m_widgets.linkPanelToggle->y());
}

void LinksPanels::setHeadingColour(const QColor &colour)
{
    ClickableLabel *heading = m_widgets.heading;
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
