#include "charts/overlay_widget.h"

#include <QPainter>

namespace orvex::qt {

OverlayWidget::OverlayWidget(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void OverlayWidget::show_band(const QRect& rect)
{
    band_ = rect;
    band_visible_ = true;
    update();
}

void OverlayWidget::hide_band()
{
    band_visible_ = false;
    update();
}

void OverlayWidget::paintEvent(QPaintEvent*)
{
    if (!band_visible_)
        return;
    QPainter p(this);
    p.setPen(QPen(Qt::red, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(band_);
}

} // namespace orvex::qt
