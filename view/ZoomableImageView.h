#pragma once
// An image pane of the view grid: a placeholder text until an image arrives,
// then the image fitted to the pane, with wheel zoom about the cursor, drag
// panning, double-click reset, the zoom percentage in the corner, and
// optional pixel picking and region selection. GUI thread.
#include <QImage>
#include <QLabel>
#include <QPoint>
#include <QPointF>

namespace hazard_desk {

class ZoomableImageView : public QLabel {
    Q_OBJECT
public:
    static constexpr double kMinScale = 0.05;
    static constexpr double kMaxScale = 20.0;
    static constexpr double kZoomStep = 1.15;
    static constexpr double kMinScaleChange = 1e-9;
    static constexpr double kMinWheelDelta = 0.001;
    static constexpr int kMinSelectionPixels = 3;

    explicit ZoomableImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    void clearImage();
    const QImage& image() const { return image_; }
    void setSmoothScaling(bool smooth);
    bool smoothScaling() const { return smoothScaling_; }
    void setPickEnabled(bool enabled) { pickEnabled_ = enabled; }
    void setSelectionMode(bool enabled) { selectionMode_ = enabled; }
    void setMarker(int u, int v);
    void clearMarker();

    double scale() const { return scale_; }
    QPointF offset() const { return QPointF(offsetX_, offsetY_); }
    bool autoFit() const { return autoFit_; }
    double fittedScale() const;
    // Zooms by factor keeping the image point under point in place.
    void zoomAbout(const QPointF& point, double factor);
    // The image pixel under a widget position (not clamped).
    QPoint pixelAt(const QPointF& position) const;

public slots:
    void resetView();
    void zoomIn();
    void zoomOut();

signals:
    void scaleChanged(double scale);
    void pixelPicked(int u, int v, int src_w, int src_h, QPoint global_pos);
    void regionSelected(int u0, int v0, int u1, int v1, int src_w, int src_h);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool hasImage() const { return !image_.isNull() && image_.width() > 0 && image_.height() > 0; }
    void fitToWidget();
    void clampOffsets();
    void paintMarker(QPainter& painter) const;

    QImage image_;
    double scale_ = 1.0;
    double offsetX_ = 0.0;
    double offsetY_ = 0.0;
    bool smoothScaling_ = true;
    bool autoFit_ = true;
    bool panning_ = false;
    bool pickEnabled_ = false;
    bool selectionMode_ = false;
    bool selecting_ = false;
    QPoint selectionStart_;
    QPoint selectionEnd_;
    bool markerShown_ = false;
    int markerU_ = 0;
    int markerV_ = 0;
    QPoint lastMousePos_;
};

}  // namespace hazard_desk
