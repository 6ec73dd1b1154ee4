#include "ui/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// The window manager's frame around a window: known once the window is
// shown, else taken as a title bar's height.
QMargins FrameMargins(const QWidget* window) {
  const QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
  if (!frame.isNull()) return frame;
  return QMargins(0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0);
}

// The frame's edge may go from `low` to `high` - `extent`; where there is
// not even that much room, it stays at `low`.
int Inside(int at, int low, int high, int extent) { return std::max(low, std::min(at, high - extent)); }

class ScreenKeeper : public QObject {
 public:
  explicit ScreenKeeper(QWidget* window) : QObject(window) { window->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      auto* window = static_cast<QWidget*>(watched);
      FitToScreen(window, window->size());
    }
    return false;
  }
};

}  // namespace

void FitToScreen(QWidget* window, const QSize& wanted) {
  if (!window->isWindow()) return;
  // A window that belongs to another opens over the middle of it, on its
  // screen, until the user moves it; any other stays where it is.
  QWidget* owner = window->parentWidget() && !window->testAttribute(Qt::WA_Moved) ? window->parentWidget()->window()
                                                                                  : nullptr;
  QScreen* screen = owner ? owner->screen() : QGuiApplication::screenAt(window->geometry().center());
  if (!screen) screen = window->screen();
  const QRect available = screen->availableGeometry();
  const QMargins frame = FrameMargins(window);
  window->resize(wanted.boundedTo(available.size().shrunkBy(frame)));
  // move() places the frame, whose size is the window's and its margins.
  const QSize outer = window->size().grownBy(frame);
  QPoint at = owner ? owner->frameGeometry().center() - QPoint(outer.width(), outer.height()) / 2 : window->pos();
  at = QPoint(Inside(at.x(), available.left(), available.right() + 1, outer.width()),
              Inside(at.y(), available.top(), available.bottom() + 1, outer.height()));
  if (at != window->pos()) window->move(at);
}

void KeepOnScreen(QWidget* window) { new ScreenKeeper(window); }

void CloseOnCtrlW(QWidget* window) {
  for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)}) {
    auto* close = new QShortcut(keys, window);
    QObject::connect(close, &QShortcut::activated, window, &QWidget::close);
  }
}
