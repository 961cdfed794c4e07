#pragma once

#include "app/window/controls.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>

class QColor;
class QGroupBox;
class QPushButton;

namespace zq {

class ClickableLabel;
class PlanPage;
class ServiceAddresses;
struct SoftwareInformation;

// The platform link panel (its heading, the twelve links, the toggle and the self-service
// link), the copy links and the download link.
class LinksPanels final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinksPanels)

public:
    struct Widgets
    {
        QGroupBox *linkPanel = nullptr;                              // regLinkPanel
        QPushButton *linkPanelToggle = nullptr;                      // regLinkPanelOC
        ClickableLabel *heading = nullptr;                           // tips_label(8)
        std::array<ClickableLabel *, kRegLinkCount> platformLinks{}; // reglinks(0) to (11)
    };

    LinksPanels(Widgets widgets, const ServiceAddresses &addresses, QObject *parent = nullptr);

    // The page the copy links read; none until start-up has reached the browser.
    void setPage(PlanPage *page);

    // What the software information brought for the panel: the heading with the contact text,
    // and a caption for each named link (the rest hidden), where the answers brought them.
    void showSoftwareInfo(const SoftwareInformation &info);

    bool panelOpen() const;

    // Panel geometry in twips.
    static constexpr int kOpenWidth = 14925;
    static constexpr int kOpenButtonLeft = 14520;
    static constexpr int kClosedWidth = 6015;
    static constexpr int kClosedButtonLeft = 5760;
    static constexpr int kOpenThreshold = 10000;

public Q_SLOTS:
    void copyNumbers();      // tips_label(5)
    void copyPlan();         // tips_label(7)
    void openDownloadPage(); // tips_label(9)
    void openRegLink(int index);
    void onLinkPanelToggleClicked();
    void onPlatformSignUpClicked();

Q_SIGNALS:
    // A copy's notice for the tray. Once the panels are gone, a copy under way does nothing more.
    void notice(const QString &text);

private:
    void setPanel(int widthTwips, int buttonLeftTwips);
    void setHeadingColour(const QColor &colour);

    Widgets m_widgets;
    const ServiceAddresses &m_addresses;
    QPointer<PlanPage> m_page;
};

} // namespace zq
