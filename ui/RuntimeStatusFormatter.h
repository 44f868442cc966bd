#pragma once
// Turns the worker's runtime snapshot into the texts, styles and tooltips of
// the obstacle status group. Missing or malformed keys give the placeholder
// forms ("--", "未获取 / 不支持", "状态无效 · %1"), never a guessed value.
// Texts are returned untranslated.
#include <QString>
#include <QVariantMap>

namespace hazard_desk {

struct LabelLook {
    QString text;
    QString style;
    QString toolTip;
};

class RuntimeStatusFormatter {
public:
    // "ioStatus" missing, not a number or -1 is treated as this value.
    static constexpr int kInvalidIoStatus = 1000;
    static constexpr int kChannelCount = 2;

    enum class Line { Input, Output };

    static int ioStatus(const QVariantMap& runtime);
    static LabelLook obstacleState(const QVariantMap& runtime);
    // Channel 0 or 1 of the input or output line; name "IN1", "OUT2", ...
    static LabelLook ioIndicator(const QVariantMap& runtime, Line line, int channel);
    static QString fpsText(const QVariantMap& runtime);
    static QString latencyText(const QVariantMap& runtime);
    // The running template index (-1 = unknown) and its tooltip with the box count.
    static LabelLook activeTemplate(const QVariantMap& runtime, int activeTemplateIndex);
    // Result line; its tooltip is the untranslated "resultError".
    static LabelLook result(const QVariantMap& runtime);
    static QString indicatorName(Line line, int channel);
    static QString disconnectedStateStyle();
    static QString placeholderIndicatorStyle();
};

}  // namespace hazard_desk
