#include "clickablelabel.h"

#include <QMouseEvent>

namespace zq {

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // Only a release over the label counts, as with a button.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace zq
