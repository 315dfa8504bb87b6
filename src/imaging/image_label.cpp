#include "imaging/image_label.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

ImageLabel::ImageLabel(QWidget* parent) : QLabel(parent) {}

void ImageLabel::set_image(const QImage& image)
{
    image_ = image;
    update();
}

void ImageLabel::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    if (image_.isNull() || width() <= 0 || height() <= 0) {
        p.fillRect(event->rect(), Qt::black);
        return;
    }
    // Source pixels that cover the exposed rectangle, drawn onto exactly the
    // screen pixels they scale to.
    const double fx = double(width()) / image_.width();
    const double fy = double(height()) / image_.height();
    const QRect r = event->rect();
    const int sx0 = std::max(0, int(std::floor(r.left() / fx)));
    const int sy0 = std::max(0, int(std::floor(r.top() / fy)));
    const int sx1 = std::min(image_.width(), int(std::ceil((r.right() + 1) / fx)));
    const int sy1 = std::min(image_.height(), int(std::ceil((r.bottom() + 1) / fy)));
    if (sx1 <= sx0 || sy1 <= sy0)
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRectF(sx0 * fx, sy0 * fy, (sx1 - sx0) * fx, (sy1 - sy0) * fy), image_,
                QRectF(sx0, sy0, sx1 - sx0, sy1 - sy0));
}
