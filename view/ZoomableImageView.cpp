#include "ZoomableImageView.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace hazard_desk {
namespace {

const QColor kBackground(32, 36, 44);
const QColor kZoomText(215, 222, 232);
const QColor kMarker(255, 0, 200);
const QColor kSelection(59, 130, 246);
constexpr int kSelectionFillAlpha = 40;
constexpr int kZoomTextRightInset = 6;
constexpr int kZoomTextBottomInset = 4;
constexpr double kMarkerRadius = 9.0;
constexpr double kTickOuter = 15.0;
constexpr double kTickInner = 8.0;
constexpr double kMarkerHaloWidth = 3.5;
constexpr double kMarkerLineWidth = 1.6;
constexpr double kMarkerDotRadius = 2.2;
constexpr double kSelectionPenWidth = 1.6;

// Centres the scaled image on an axis when it is smaller than the widget,
// otherwise keeps it covering the widget.
double clampAxis(double offset, double widgetSize, double scaledSize) {
    if (scaledSize <= widgetSize) {
        return (widgetSize - scaledSize) / 2.0;
    }
    return std::clamp(offset, widgetSize - scaledSize, 0.0);
}

}  // namespace

ZoomableImageView::ZoomableImageView(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::WheelFocus);
    setAlignment(Qt::AlignCenter);
}

void ZoomableImageView::setSmoothScaling(bool smooth) {
    smoothScaling_ = smooth;
    update();
}

void ZoomableImageView::setImage(const QImage& image) {
    const bool hadImage = hasImage();
    image_ = image;
    if (!image_.isNull()) {
        setText(QString());
        setCursor(Qt::OpenHandCursor);
    }
    if (hadImage && !autoFit_) {
        clampOffsets();
    } else {
        autoFit_ = true;
        fitToWidget();
        emit scaleChanged(scale_);
    }
    update();
}

void ZoomableImageView::clearImage() {
    image_ = QImage();
    autoFit_ = true;
    scale_ = 1.0;
    offsetX_ = 0.0;
    offsetY_ = 0.0;
    markerShown_ = false;
    panning_ = false;
    selecting_ = false;
    unsetCursor();
    update();
}

void ZoomableImageView::setMarker(int u, int v) {
    markerShown_ = true;
    markerU_ = u;
    markerV_ = v;
    update();
}

void ZoomableImageView::clearMarker() {
    markerShown_ = false;
    update();
}

double ZoomableImageView::fittedScale() const {
    if (!hasImage()) {
        return 1.0;
    }
    const double fit = std::min(static_cast<double>(width()) / image_.width(),
                                static_cast<double>(height()) / image_.height());
    return std::max(fit, kMinScale);
}

void ZoomableImageView::fitToWidget() {
    scale_ = fittedScale();
    if (hasImage()) {
        offsetX_ = (width() - image_.width() * scale_) / 2.0;
        offsetY_ = (height() - image_.height() * scale_) / 2.0;
    }
}

void ZoomableImageView::clampOffsets() {
    if (!hasImage()) {
        return;
    }
    offsetX_ = clampAxis(offsetX_, width(), image_.width() * scale_);
    offsetY_ = clampAxis(offsetY_, height(), image_.height() * scale_);
}

void ZoomableImageView::resetView() {
    if (!hasImage()) {
        return;
    }
    autoFit_ = true;
    fitToWidget();
    emit scaleChanged(scale_);
    update();
}

void ZoomableImageView::zoomIn() { zoomAbout(QPointF(width() / 2.0, height() / 2.0), kZoomStep); }

void ZoomableImageView::zoomOut() { zoomAbout(QPointF(width() / 2.0, height() / 2.0), 1.0 / kZoomStep); }

void ZoomableImageView::zoomAbout(const QPointF& point, double factor) {
    if (!hasImage()) {
        return;
    }
    const double oldScale = scale_;
    const double newScale = std::clamp(scale_ * factor, kMinScale, kMaxScale);
    if (std::abs(newScale - oldScale) < kMinScaleChange) {
        return;
    }
    offsetX_ = point.x() - (point.x() - offsetX_) / oldScale * newScale;
    offsetY_ = point.y() - (point.y() - offsetY_) / oldScale * newScale;
    scale_ = newScale;
    autoFit_ = false;
    clampOffsets();
    emit scaleChanged(scale_);
    update();
}

QPoint ZoomableImageView::pixelAt(const QPointF& position) const {
    return QPoint(static_cast<int>(std::floor((position.x() - offsetX_) / scale_)),
                  static_cast<int>(std::floor((position.y() - offsetY_) / scale_)));
}

void ZoomableImageView::wheelEvent(QWheelEvent* event) {
    if (!hasImage()) {
        event->ignore();
        return;
    }
    const double delta = event->angleDelta().y();
    if (std::abs(delta) < kMinWheelDelta) {
        event->ignore();
        return;
    }
    zoomAbout(event->position(), delta > 0 ? kZoomStep : 1.0 / kZoomStep);
    event->accept();
}

void ZoomableImageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !hasImage()) {
        QLabel::mousePressEvent(event);
        return;
    }
    if (selectionMode_) {
        selecting_ = true;
        selectionStart_ = event->pos();
        selectionEnd_ = event->pos();
    } else {
        panning_ = true;
        lastMousePos_ = event->pos();
        setCursor(Qt::ClosedHandCursor);
    }
    event->accept();
}

void ZoomableImageView::mouseMoveEvent(QMouseEvent* event) {
    if (selecting_) {
        selectionEnd_ = event->pos();
        update();
    } else if (panning_) {
        offsetX_ += event->pos().x() - lastMousePos_.x();
        offsetY_ += event->pos().y() - lastMousePos_.y();
        lastMousePos_ = event->pos();
        autoFit_ = false;
        clampOffsets();
        update();
    } else {
        QLabel::mouseMoveEvent(event);
    }
}

void ZoomableImageView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    if (selecting_) {
        selecting_ = false;
        selectionEnd_ = event->pos();
        if (hasImage()) {
            const auto clampPixel = [this](const QPoint& pixel) {
                return QPoint(std::clamp(pixel.x(), 0, image_.width() - 1),
                              std::clamp(pixel.y(), 0, image_.height() - 1));
            };
            const QPoint a = clampPixel(pixelAt(selectionStart_));
            const QPoint b = clampPixel(pixelAt(selectionEnd_));
            const int u0 = std::min(a.x(), b.x());
            const int u1 = std::max(a.x(), b.x());
            const int v0 = std::min(a.y(), b.y());
            const int v1 = std::max(a.y(), b.y());
            if (u1 - u0 + 1 >= kMinSelectionPixels && v1 - v0 + 1 >= kMinSelectionPixels) {
                emit regionSelected(u0, v0, u1, v1, image_.width(), image_.height());
            }
        }
        update();
    }
    if (panning_) {
        panning_ = false;
        setCursor(Qt::OpenHandCursor);
    }
    event->accept();
}

void ZoomableImageView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!hasImage()) {
        QLabel::mouseDoubleClickEvent(event);
        return;
    }
    resetView();
    event->accept();
}

void ZoomableImageView::contextMenuEvent(QContextMenuEvent* event) {
    if (!pickEnabled_) {
        QLabel::contextMenuEvent(event);
        return;
    }
    const QPoint pixel = pixelAt(event->pos());
    if (!hasImage() || pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= image_.width() || pixel.y() >= image_.height()) {
        event->ignore();
        return;
    }
    emit pixelPicked(pixel.x(), pixel.y(), image_.width(), image_.height(), event->globalPos());
    event->accept();
}

void ZoomableImageView::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (autoFit_) {
        fitToWidget();
    } else {
        clampOffsets();
    }
}

void ZoomableImageView::paintEvent(QPaintEvent* event) {
    if (!hasImage()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothScaling_);
    painter.drawImage(QRectF(offsetX_, offsetY_, image_.width() * scale_, image_.height() * scale_), image_,
                      QRectF(image_.rect()));
    painter.setPen(kZoomText);
    painter.drawText(rect().adjusted(0, 0, -kZoomTextRightInset, -kZoomTextBottomInset),
                     Qt::AlignRight | Qt::AlignBottom, QStringLiteral("%1%").arg(std::lround(scale_ * 100.0)));
    paintMarker(painter);
    if (selecting_) {
        QColor fill = kSelection;
        fill.setAlpha(kSelectionFillAlpha);
        painter.setPen(QPen(kSelection, kSelectionPenWidth));
        painter.setBrush(fill);
        painter.drawRect(QRect(selectionStart_, selectionEnd_).normalized());
    }
}

void ZoomableImageView::paintMarker(QPainter& painter) const {
    if (!markerShown_) {
        return;
    }
    const QPointF centre(offsetX_ + (markerU_ + 0.5) * scale_, offsetY_ + (markerV_ + 0.5) * scale_);
    if (!QRectF(rect()).contains(centre)) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (const auto& [colour, width] : {std::pair<QColor, double>{Qt::white, kMarkerHaloWidth},
                                        std::pair<QColor, double>{kMarker, kMarkerLineWidth}}) {
        painter.setPen(QPen(colour, width));
        painter.drawEllipse(centre, kMarkerRadius, kMarkerRadius);
        painter.drawLine(centre + QPointF(-kTickOuter, 0), centre + QPointF(-kTickInner, 0));
        painter.drawLine(centre + QPointF(kTickInner, 0), centre + QPointF(kTickOuter, 0));
        painter.drawLine(centre + QPointF(0, -kTickOuter), centre + QPointF(0, -kTickInner));
        painter.drawLine(centre + QPointF(0, kTickInner), centre + QPointF(0, kTickOuter));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(kMarker);
    painter.drawEllipse(centre, kMarkerDotRadius, kMarkerDotRadius);
}

}  // namespace hazard_desk
