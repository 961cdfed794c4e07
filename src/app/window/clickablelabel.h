#pragma once

#include <QLabel>

namespace zq {

// A label that reports a left click, like the link labels of the window.
class ClickableLabel final : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace zq
