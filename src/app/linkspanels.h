#pragma once

#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace zq {

class ServiceAddresses;
struct AppState;
struct Controls;

// The notice labels, the platform links and the platform link panel.
class LinksPanels final
{
public:
    LinksPanels(AppState &state, Controls &controls, const ServiceAddresses &addresses,
                std::function<void(const QString &)> showNotice, QWidget *window);
    Q_DISABLE_COPY_MOVE(LinksPanels)

    void onTipsLabelClicked(int index);
    void openRegLink(int index);
    void onLinkPanelToggleClicked();
    void onPlatformSignUpClicked();

    bool panelOpen() const;

    // Panel geometry in twips.
    static constexpr int kOpenWidth = 14925;
    static constexpr int kOpenButtonLeft = 14520;
    static constexpr int kClosedWidth = 6015;
    static constexpr int kClosedButtonLeft = 5760;
    static constexpr int kOpenThreshold = 10000;

private:
    void setPanel(int widthTwips, int buttonLeftTwips);
    void setHeadingColour(const QColor &colour);

    AppState &m_state;
    Controls &m_controls;
    const ServiceAddresses &m_addresses;
    std::function<void(const QString &)> m_msgTips;
    QPointer<QWidget> m_window;
};

} // namespace zq
