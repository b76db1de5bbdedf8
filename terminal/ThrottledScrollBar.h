#pragma once
// A vertical scroll bar that is drawn again only when it would look
// different, and while a text streams in at most a few times a second (at
// once while the mouse is on it or its slider is held): its range changes
// with every batch of rows, and drawing it costs as much as the rows.

#include <QElapsedTimer>
#include <QRect>
#include <QScrollBar>
#include <QTimer>

namespace terminal {

class ThrottledScrollBar : public QScrollBar {
public:
    explicit ThrottledScrollBar(QWidget* parent);

protected:
    void sliderChange(SliderChange change) override;

private:
    static constexpr qint64 kRedrawMs = 200;

    struct Look {
        QRect slider;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };
    Look CurrentLook() const;
    void Redraw();

    Look drawn_;
    QElapsedTimer lastDrawn_;
    QTimer later_;
};

} // namespace terminal
