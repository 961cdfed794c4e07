#pragma once

#include <QWidget>

// The window of both floor programs: the size of zq's client area, centred, and the same two
// log lines as zq ("first shown" from showEvent, "first frame painted" from the probe).
class FloorWindow final : public QWidget
{
public:
    FloorWindow();

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool m_shownOnce = false;
};
