#include "ScoreTimelinePlot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace hazard_desk::recording {

namespace {

constexpr int kLeft = 90;
constexpr int kRight = 20;
constexpr int kTop = 40;
constexpr int kBandHeight = 36;
constexpr int kGap = 16;
constexpr int kBottom = 40;

const QColor kVerdictColors[3] = {QColor(46, 160, 67), QColor(230, 170, 20), QColor(220, 40, 40)};
const QColor kLevelColors[3] = {QColor(220, 40, 40), QColor(230, 170, 20), QColor(35, 150, 220)};
const char* const kLevelNames[3] = {"danger", "warning", "notify"};

}  // namespace

QImage ScoreTimelinePlot::render(const std::vector<FrameScore>& scores, const QString& title) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(QColor(250, 250, 250));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool text = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    const int plotWidth = kWidth - kLeft - kRight;
    const int chartTop = kTop + kBandHeight + kGap;
    const int chartHeight = kHeight - chartTop - kBottom;
    if (text) {
        painter.setPen(Qt::black);
        painter.drawText(QRect(kLeft, 8, plotWidth, 24), Qt::AlignLeft | Qt::AlignVCenter, title);
        painter.drawText(QRect(4, kTop, kLeft - 8, kBandHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("verdict"));
    }
    if (scores.empty()) {
        return image;
    }
    const double t0 = static_cast<double>(scores.front().timeNs);
    const double span = std::max(1.0, static_cast<double>(scores.back().timeNs) - t0);
    auto xOf = [&](std::size_t i) {
        return scores.size() == 1 ? kLeft
                                  : kLeft + static_cast<int>((static_cast<double>(scores[i].timeNs) - t0) / span *
                                                             plotWidth);
    };
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const int x0 = xOf(i);
        const int x1 = i + 1 < scores.size() ? xOf(i + 1) : kLeft + plotWidth;
        painter.fillRect(QRect(x0, kTop, std::max(1, x1 - x0), kBandHeight),
                         kVerdictColors[static_cast<int>(scores[i].verdict)]);
    }
    std::uint32_t peak = 1;
    for (const FrameScore& s : scores) {
        peak = std::max({peak, s.points[0], s.points[1], s.points[2]});
    }
    painter.setPen(QColor(200, 200, 200));
    painter.drawRect(kLeft, chartTop, plotWidth, chartHeight);
    for (int level = 2; level >= 0; --level) {
        QPainterPath path;
        for (std::size_t i = 0; i < scores.size(); ++i) {
            const double y = chartTop + chartHeight -
                             static_cast<double>(scores[i].points[static_cast<std::size_t>(level)]) / peak * chartHeight;
            if (i == 0) {
                path.moveTo(xOf(i), y);
            } else {
                path.lineTo(xOf(i), y);
            }
        }
        painter.setPen(QPen(kLevelColors[level], 1.5));
        painter.drawPath(path);
    }
    if (text) {
        painter.setPen(Qt::black);
        painter.drawText(QRect(4, chartTop - 8, kLeft - 8, 16), Qt::AlignRight, QString::number(peak));
        painter.drawText(QRect(4, chartTop + chartHeight - 8, kLeft - 8, 16), Qt::AlignRight, QStringLiteral("0"));
        painter.drawText(QRect(kLeft, kHeight - kBottom + 6, 200, 16), Qt::AlignLeft, QStringLiteral("0 s"));
        painter.drawText(QRect(kLeft + plotWidth - 200, kHeight - kBottom + 6, 200, 16), Qt::AlignRight,
                         QStringLiteral("%1 s").arg(span / 1.0e9, 0, 'f', 1));
        for (int level = 0; level < 3; ++level) {
            painter.setPen(kLevelColors[level]);
            painter.drawText(QRect(kLeft + 240 + level * 150, kHeight - kBottom + 6, 145, 16), Qt::AlignLeft,
                             QStringLiteral("%1 points").arg(QLatin1String(kLevelNames[level])));
        }
    }
    return image;
}

bool ScoreTimelinePlot::save(const std::vector<FrameScore>& scores, const QString& title, const QString& path,
                             QString& error) {
    if (!render(scores, title).save(path, "PNG")) {
        error = QStringLiteral("cannot write the plot to %1").arg(path);
        return false;
    }
    return true;
}

}  // namespace hazard_desk::recording
