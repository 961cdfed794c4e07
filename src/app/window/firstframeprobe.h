#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

namespace zq {

// Logs once, on category zq.window at debug level, when the first frame of a top-level widget
// has been painted and handed to the window system: "first frame painted at N ms since the
// epoch". The start-up benchmark reads it beside the "first shown" line.
//
// A raster window paints and flushes its backing store while it handles its first expose
// event, so the probe handles that event itself and takes the time when the handling
// returns, once the widget has had a paint event in it.
class FirstFrameProbe final : public QObject
{
    Q_OBJECT
public:
    explicit FirstFrameProbe(QWidget *window);
    Q_DISABLE_COPY_MOVE(FirstFrameProbe)

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish();

    QPointer<QWidget> m_window;
    QPointer<QWindow> m_handle;
    bool m_painted = false;
};

} // namespace zq
