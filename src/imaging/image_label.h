// ImageLabel: the label that shows the rendered frame in the image window.
//
// It draws the rendered image stretched to its own size without smoothing,
// and only the part that is exposed: at zoom 8 the label is up to 10240 x
// 8192 pixels, of which the scroll area shows at most one frame's worth, so
// a zoomed copy of the whole image is never built. The image wraps the
// renderer's buffer; the owner sets it again after every rendering.
#pragma once

#include <QImage>
#include <QLabel>

class ImageLabel : public QLabel {
    Q_OBJECT
public:
    explicit ImageLabel(QWidget* parent = nullptr);

    void set_image(const QImage& image);
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};
