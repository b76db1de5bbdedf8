#include "terminal/ThrottledScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace terminal {

ThrottledScrollBar::ThrottledScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
    later_.setSingleShot(true);
    connect(&later_, &QTimer::timeout, this, [this] {
        if (CurrentLook() != drawn_) {
            Redraw();
        }
    });
}

void ThrottledScrollBar::sliderChange(SliderChange change) {
    if (change == SliderOrientationChange) {
        QScrollBar::sliderChange(change);
        return;
    }
    if (CurrentLook() == drawn_) {
        return;
    }
    const qint64 since = lastDrawn_.isValid() ? lastDrawn_.elapsed() : kRedrawMs;
    if (isSliderDown() || underMouse() || since >= kRedrawMs) {
        Redraw();
    } else if (!later_.isActive()) {
        later_.start(static_cast<int>(kRedrawMs - since));
    }
}

ThrottledScrollBar::Look ThrottledScrollBar::CurrentLook() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        value() == minimum(), value() == maximum()};
}

void ThrottledScrollBar::Redraw() {
    later_.stop();
    drawn_ = CurrentLook();
    lastDrawn_.start();
    update();
}

} // namespace terminal
