// Build-time tool: draws the workstation's icons and images with QPainter and
// writes them as PNG files into the folder given on the command line. All
// artwork of the program comes from here; nothing is taken from elsewhere.
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

const QColor kBackground("#0B1220");
const QColor kBrand("#3B82F6");
const QColor kBrandDark("#2563EB");
const QColor kCyan("#38BDF8");
const QColor kText("#E2E8F0");
const QColor kMuted("#94A3B8");
const QColor kOk("#4ADE80");
const QColor kError("#F87171");

using Painter = std::function<void(QPainter&, const QSizeF&)>;

bool render(const QString& path, const QSize& size, const Painter& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        draw(painter, QSizeF(size));
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "ImageRenderer: cannot write '%s'\n", qPrintable(path));
        return false;
    }
    return true;
}

// The brand mark: a rounded shield with a stylised depth fan and the "VQ8" badge.
void drawMark(QPainter& p, const QRectF& r) {
    const qreal s = qMin(r.width(), r.height());
    const QRectF box(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0.0, kBrand);
    fill.setColorAt(1.0, kBrandDark.darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box.adjusted(s * 0.04, s * 0.04, -s * 0.04, -s * 0.04), s * 0.2, s * 0.2);

    // Three arcs spreading from the camera point at the bottom: the field of view.
    const QPointF origin(box.center().x(), box.bottom() - s * 0.2);
    for (int i = 0; i < 3; ++i) {
        const qreal radius = s * (0.22 + 0.16 * i);
        QColor c = i == 0 ? kError : (i == 1 ? QColor("#FBBF24") : kOk);
        p.setPen(QPen(c, qMax<qreal>(1.0, s * 0.055), Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(origin.x() - radius, origin.y() - radius, 2 * radius, 2 * radius), 50 * 16, 80 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kText);
    p.drawEllipse(origin, s * 0.06, s * 0.06);
}

void drawWordmark(QPainter& p, const QRectF& r, const QString& text, qreal pixelSize, const QColor& colour) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(qRound(pixelSize));
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignVCenter | Qt::AlignLeft, text);
}

void drawPlay(QPainter& p, const QSizeF& s, const QColor& colour) {
    QPolygonF triangle;
    triangle << QPointF(s.width() * 0.3, s.height() * 0.2) << QPointF(s.width() * 0.82, s.height() * 0.5)
             << QPointF(s.width() * 0.3, s.height() * 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(triangle);
}

void drawRefresh(QPainter& p, const QSizeF& s, const QColor& colour) {
    const QRectF arc(s.width() * 0.2, s.height() * 0.2, s.width() * 0.6, s.height() * 0.6);
    p.setPen(QPen(colour, s.width() * 0.1, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(arc, 60 * 16, 280 * 16);
    QPolygonF head;
    head << QPointF(s.width() * 0.62, s.height() * 0.08) << QPointF(s.width() * 0.8, s.height() * 0.26)
         << QPointF(s.width() * 0.56, s.height() * 0.32);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

void drawCamera(QPainter& p, const QSizeF& s, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(s.width() * 0.1, s.height() * 0.3, s.width() * 0.8, s.height() * 0.5), s.width() * 0.08,
                      s.width() * 0.08);
    p.drawRect(QRectF(s.width() * 0.35, s.height() * 0.2, s.width() * 0.3, s.height() * 0.12));
    p.setBrush(kBackground);
    p.drawEllipse(QPointF(s.width() * 0.5, s.height() * 0.55), s.width() * 0.16, s.width() * 0.16);
}

void drawConnect(QPainter& p, const QSizeF& s, const QColor& colour) {
    p.setPen(QPen(colour, s.width() * 0.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s.width() * 0.2, s.height() * 0.8), QPointF(s.width() * 0.8, s.height() * 0.2));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(s.width() * 0.25, s.height() * 0.75), s.width() * 0.14, s.width() * 0.14);
    p.drawEllipse(QPointF(s.width() * 0.75, s.height() * 0.25), s.width() * 0.14, s.width() * 0.14);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ImageRenderer <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    auto file = [&out](const QString& name) { return out.filePath(name); };

    ok &= render(file("vq8_logo.png"), {64, 64}, [](QPainter& p, const QSizeF& s) { drawMark(p, QRectF(QPointF(), s)); });
    ok &= render(file("LOGO.png"), {128, 128}, [](QPainter& p, const QSizeF& s) { drawMark(p, QRectF(QPointF(), s)); });
    ok &= render(file("vq8_logo_wide.png"), {240, 64}, [](QPainter& p, const QSizeF& s) {
        drawMark(p, QRectF(0, 0, s.height(), s.height()));
        drawWordmark(p, QRectF(s.height() + 10, 0, s.width() - s.height() - 10, s.height()), QStringLiteral("VQ8"), 38, kText);
    });
    ok &= render(file("title.png"), {420, 40}, [](QPainter& p, const QSizeF& s) {
        QLinearGradient g(0, 0, s.width(), 0);
        g.setColorAt(0.0, kBrandDark);
        g.setColorAt(1.0, QColor(0, 0, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRect(QRectF(0, s.height() - 4, s.width(), 4));
        drawMark(p, QRectF(2, 2, 32, 32));
        drawWordmark(p, QRectF(44, 0, s.width() - 44, s.height() - 4), QStringLiteral("VQ8 HAZARD DESK"), 20, kText);
    });
    ok &= render(file("admin.png"), {32, 32}, [](QPainter& p, const QSizeF& s) {
        QPainterPath shield;
        shield.moveTo(s.width() * 0.5, s.height() * 0.06);
        shield.lineTo(s.width() * 0.88, s.height() * 0.2);
        shield.cubicTo(s.width() * 0.88, s.height() * 0.62, s.width() * 0.7, s.height() * 0.82, s.width() * 0.5, s.height() * 0.95);
        shield.cubicTo(s.width() * 0.3, s.height() * 0.82, s.width() * 0.12, s.height() * 0.62, s.width() * 0.12, s.height() * 0.2);
        shield.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(kCyan);
        p.drawPath(shield);
        p.setBrush(kBackground);
        p.drawEllipse(QPointF(s.width() * 0.5, s.height() * 0.4), s.width() * 0.12, s.width() * 0.12);
        p.drawRoundedRect(QRectF(s.width() * 0.32, s.height() * 0.55, s.width() * 0.36, s.height() * 0.18), 3, 3);
    });
    ok &= render(file("run.png"), {32, 32}, [](QPainter& p, const QSizeF& s) { drawPlay(p, s, kOk); });
    ok &= render(file("running.png"), {32, 32}, [](QPainter& p, const QSizeF& s) {
        p.setPen(Qt::NoPen);
        p.setBrush(kOk);
        p.drawRoundedRect(QRectF(s.width() * 0.25, s.height() * 0.2, s.width() * 0.17, s.height() * 0.6), 2, 2);
        p.drawRoundedRect(QRectF(s.width() * 0.58, s.height() * 0.2, s.width() * 0.17, s.height() * 0.6), 2, 2);
    });
    ok &= render(file("camera_close.png"), {32, 32}, [](QPainter& p, const QSizeF& s) {
        drawCamera(p, s, kMuted);
        p.setPen(QPen(kError, s.width() * 0.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s.width() * 0.15, s.height() * 0.15), QPointF(s.width() * 0.85, s.height() * 0.85));
    });

    // Spin box arrows (the theme styles the spin box frame, so it draws the arrows too).
    for (const bool up : {true, false}) {
        ok &= render(file(up ? "arrow_up.png" : "arrow_down.png"), {10, 6}, [up](QPainter& p, const QSizeF& s) {
            QPolygonF arrow;
            if (up) {
                arrow << QPointF(0, s.height()) << QPointF(s.width() / 2, 0) << QPointF(s.width(), s.height());
            } else {
                arrow << QPointF(0, 0) << QPointF(s.width() / 2, s.height()) << QPointF(s.width(), 0);
            }
            p.setPen(Qt::NoPen);
            p.setBrush(kMuted);
            p.drawPolygon(arrow);
        });
    }

    // Button state images: the same glyphs in the colours of the rest, hover and pressed states.
    const struct {
        const char* folder;
        QColor colour;
    } states[] = {{"normal", kMuted}, {"over", kCyan}, {"click", kBrand}};
    for (const auto& state : states) {
        const QString folder = QString::fromLatin1(state.folder);
        const QColor colour = state.colour;
        ok &= render(file(folder + "/refresh.png"), {24, 24}, [colour](QPainter& p, const QSizeF& s) { drawRefresh(p, s, colour); });
        ok &= render(file(folder + "/connect.png"), {24, 24}, [colour](QPainter& p, const QSizeF& s) { drawConnect(p, s, colour); });
        ok &= render(file(folder + "/stream.png"), {24, 24}, [colour](QPainter& p, const QSizeF& s) { drawPlay(p, s, colour); });
        ok &= render(file(folder + "/camera.png"), {24, 24}, [colour](QPainter& p, const QSizeF& s) { drawCamera(p, s, colour); });
    }
    return ok ? 0 : 1;
}
