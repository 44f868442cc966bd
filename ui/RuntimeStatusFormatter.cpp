#include "RuntimeStatusFormatter.h"

#include <climits>

namespace hazard_desk {
namespace {

constexpr const char* kUnknownChannel = "未获取 / 不支持";
constexpr const char* kPlaceholderColour = "#64748b";
constexpr const char* kInputHighColour = "#44dca8";
constexpr const char* kOutputHighColour = "#46cfff";
constexpr const char* kLowColour = "#77889a";

// An integer value of the snapshot; fallback when absent or not numeric.
qlonglong intValue(const QVariantMap& runtime, const char* key, qlonglong fallback) {
    const auto it = runtime.constFind(QString::fromLatin1(key));
    if (it == runtime.constEnd()) {
        return fallback;
    }
    bool ok = false;
    const qlonglong value = it->toLongLong(&ok);
    return ok ? value : fallback;
}

QString numberOrDash(const QVariantMap& runtime, const char* key) {
    const auto it = runtime.constFind(QString::fromLatin1(key));
    if (it == runtime.constEnd()) {
        return QStringLiteral("--");
    }
    bool ok = false;
    const double value = it->toDouble(&ok);
    return ok && qIsFinite(value) ? QString::number(value, 'f', 1) : QStringLiteral("--");
}

}  // namespace

int RuntimeStatusFormatter::ioStatus(const QVariantMap& runtime) {
    const qlonglong status = intValue(runtime, "ioStatus", -1);
    if (status == -1 || status < INT_MIN || status > INT_MAX) {
        return kInvalidIoStatus;
    }
    return static_cast<int>(status);
}

LabelLook RuntimeStatusFormatter::obstacleState(const QVariantMap& runtime) {
    const int status = ioStatus(runtime);
    switch (status) {
        case 0:
            return {QStringLiteral("安全 · 0"),
                    QStringLiteral("background:#10291f;color:#55dda8;padding:8px;border-radius:4px;font-weight:600;"),
                    QString()};
        case 1:
            return {QStringLiteral("预警 / 减速 · 1"),
                    QStringLiteral("background:#332a10;color:#f3c946;padding:8px;border-radius:4px;font-weight:600;"),
                    QString()};
        case 2:
            return {QStringLiteral("报警 / 急停 · 2"),
                    QStringLiteral("background:#36171b;color:#ff5360;padding:8px;border-radius:4px;font-weight:600;"),
                    QString()};
        default:
            return {QStringLiteral("状态无效 · %1").arg(status),
                    QStringLiteral("background:#202a38;color:#94a3b8;padding:8px;border-radius:4px;"), QString()};
    }
}

QString RuntimeStatusFormatter::indicatorName(Line line, int channel) {
    return QStringLiteral("%1%2").arg(line == Line::Input ? QStringLiteral("IN") : QStringLiteral("OUT")).arg(channel + 1);
}

LabelLook RuntimeStatusFormatter::ioIndicator(const QVariantMap& runtime, Line line, int channel) {
    const bool input = line == Line::Input;
    const qlonglong status = intValue(runtime, input ? "inputStatus" : "outputStatus", -1);
    const qlonglong mask = intValue(runtime, input ? "inputChannelMask" : "outputChannelMask", 0);
    const QString name = indicatorName(line, channel);
    const QString tipPattern = input ? QStringLiteral("输入 %1：%2") : QStringLiteral("输出 %1：%2");
    const qlonglong bit = qlonglong{1} << channel;
    if (status < 0 || channel < 0 || channel >= kChannelCount || (mask & bit) == 0) {
        return {name + QStringLiteral(" --"), QStringLiteral("color:%1;font-weight:600;").arg(QLatin1String(kPlaceholderColour)),
                tipPattern.arg(channel + 1).arg(QString::fromUtf8(kUnknownChannel))};
    }
    const bool high = (status & bit) != 0;
    const char* colour = high ? (input ? kInputHighColour : kOutputHighColour) : kLowColour;
    return {name + QStringLiteral(" ●"), QStringLiteral("color:%1;font-weight:600;").arg(QLatin1String(colour)),
            tipPattern.arg(channel + 1).arg(high ? QStringLiteral("高电平") : QStringLiteral("低电平"))};
}

QString RuntimeStatusFormatter::fpsText(const QVariantMap& runtime) {
    return QStringLiteral("%1 / %2 fps").arg(numberOrDash(runtime, "cameraFps"), numberOrDash(runtime, "measuredFps"));
}

QString RuntimeStatusFormatter::latencyText(const QVariantMap& runtime) {
    const qlonglong latency = intValue(runtime, "latencyMs", LLONG_MIN);
    return latency == LLONG_MIN ? QStringLiteral("-- ms") : QStringLiteral("%1 ms").arg(latency);
}

LabelLook RuntimeStatusFormatter::activeTemplate(const QVariantMap& runtime, int activeTemplateIndex) {
    const QString index = activeTemplateIndex >= 0 ? QString::number(activeTemplateIndex) : QStringLiteral("--");
    const qlonglong boxes = intValue(runtime, "boxCount", 0);
    return {index, QString(), QStringLiteral("%1 · %2 个障碍物").arg(index).arg(boxes)};
}

LabelLook RuntimeStatusFormatter::result(const QVariantMap& runtime) {
    const QString error = runtime.value(QStringLiteral("resultError")).toString();
    if (!runtime.value(QStringLiteral("resultAvailable")).toBool()) {
        return {QStringLiteral("障碍物结果未获取"), QString(), error};
    }
    const qlonglong state = intValue(runtime, "algorithmState", -1);
    if (state == 0) {
        return {QStringLiteral("当前帧障碍物：%1 个").arg(intValue(runtime, "boxCount", 0)), QString(), error};
    }
    return {QStringLiteral("避障算法返回异常状态：%1").arg(state), QString(), error};
}

QString RuntimeStatusFormatter::disconnectedStateStyle() {
    return QStringLiteral("background:#202a38;color:#94a3b8;border:1px solid #445365;padding:8px;border-radius:4px;");
}

QString RuntimeStatusFormatter::placeholderIndicatorStyle() {
    return QStringLiteral("color:#64748b;font-weight:600;");
}

}  // namespace hazard_desk
