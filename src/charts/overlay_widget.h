// Transparent child of a chart that draws the rubber-band rectangle of a left
// drag. It covers the whole chart, lets every mouse event through to it and
// paints nothing but the red outline while the band is shown.
#pragma once

#include <QRect>
#include <QWidget>

namespace orvex::qt {

class OverlayWidget : public QWidget {
    Q_OBJECT
public:
    explicit OverlayWidget(QWidget* parent);

    /// Shows the band with the given rectangle (pixels of the chart).
    void show_band(const QRect& rect);
    void hide_band();
    bool band_visible() const { return band_visible_; }
    QRect band() const { return band_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect band_;
    bool band_visible_ = false;
};

} // namespace orvex::qt
