#include "MessageLocalizer.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

namespace hazard_desk {
namespace {

const QRegularExpression& validationPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^(templates\\[(\\d+)\\](\\.[A-Za-z0-9_.]+)?|extrinsics|activeIndex)[：:]\\s*(.*)$"));
    return pattern;
}

const QRegularExpression& placeholderPattern() {
    static const QRegularExpression pattern(QStringLiteral("%([1-9][0-9]*)"));
    return pattern;
}

const QRegularExpression& ideographPattern() {
    static const QRegularExpression pattern(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    return pattern;
}

const QString kTemplateIssueKey = QStringLiteral("模板 %1 · %2：%3");
const QString kFullWidthColon = QStringLiteral("：");

}  // namespace

QString MessageLocalizer::localize(const QString& text, const Translate& translate) const {
    const QString translated = translate(text);
    if (translated != text) {
        return translated;
    }
    QString result;
    if (localizeValidationIssue(text, translate, result) || localizeByTemplate(text, translate, result) ||
        localizeBySeparators(text, translate, result)) {
        return result;
    }
    return text;
}

QString MessageLocalizer::validationLabel(const QString& path, const QString& suffix) {
    if (path == QLatin1String("extrinsics")) {
        return QStringLiteral("相机外参");
    }
    if (path == QLatin1String("activeIndex") || suffix == QLatin1String(".index")) {
        return QStringLiteral("模板编号");
    }
    if (suffix == QLatin1String(".distance") || suffix == QLatin1String(".lowerLimit")) {
        return QStringLiteral("距离范围");
    }
    if (suffix == QLatin1String(".range")) {
        return QStringLiteral("横向范围");
    }
    if (suffix == QLatin1String(".height")) {
        return QStringLiteral("高度范围");
    }
    static const std::pair<QString, QString> kPrefixLabels[] = {
        {QStringLiteral(".v2.groundVoid"), QStringLiteral("地面空洞参数")},
        {QStringLiteral(".v2.semantic"), QStringLiteral("语义范围")},
        {QStringLiteral(".zones.danger"), QStringLiteral("危险区域")},
        {QStringLiteral(".zones.warning"), QStringLiteral("警告区域")},
        {QStringLiteral(".zones.notify"), QStringLiteral("提示区域")},
    };
    for (const auto& [prefix, label] : kPrefixLabels) {
        if (suffix.startsWith(prefix)) {
            return label;
        }
    }
    return QStringLiteral("区域参数");
}

QString MessageLocalizer::substitute(const QString& text, const QStringList& values) {
    QString result;
    result.reserve(text.size());
    int copied = 0;
    QRegularExpressionMatchIterator it = placeholderPattern().globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        bool ok = false;
        const int number = match.capturedRef(1).toInt(&ok);
        if (!ok || number < 1 || number > values.size()) {
            continue;
        }
        result += text.midRef(copied, match.capturedStart() - copied);
        result += values.at(number - 1);
        copied = match.capturedEnd();
    }
    result += text.midRef(copied);
    return result;
}

bool MessageLocalizer::localizeValidationIssue(const QString& text, const Translate& translate, QString& result) const {
    const QRegularExpressionMatch match = validationPattern().match(text);
    if (!match.hasMatch()) {
        return false;
    }
    const QString path = match.captured(1);
    const QString suffix = match.captured(3);
    const QString label = translate(validationLabel(path, suffix));
    const QString message = localize(match.captured(4), translate);
    if (path.startsWith(QLatin1String("templates["))) {
        result = substitute(translate(kTemplateIssueKey), {match.captured(2), label, message});
    } else {
        result = label + kFullWidthColon + message;
    }
    return true;
}

bool MessageLocalizer::localizeByTemplate(const QString& text, const Translate& translate, QString& result) const {
    buildTemplates();
    for (const MessageTemplate& messageTemplate : templates_) {
        const QRegularExpressionMatch match = messageTemplate.pattern.match(text);
        if (!match.hasMatch()) {
            continue;
        }
        // Placeholder n takes the localized capture of its first occurrence.
        int highest = 0;
        for (int number : messageTemplate.placeholders) {
            highest = std::max(highest, number);
        }
        QStringList values;
        for (int n = 1; n <= highest; ++n) {
            values << QStringLiteral("%%1").arg(n);
        }
        QSet<int> filled;
        for (int i = 0; i < messageTemplate.placeholders.size(); ++i) {
            const int number = messageTemplate.placeholders.at(i);
            if (!filled.contains(number)) {
                filled.insert(number);
                values[number - 1] = localize(match.captured(i + 1), translate);
            }
        }
        result = substitute(translate(messageTemplate.key), values);
        return true;
    }
    return false;
}

bool MessageLocalizer::localizeBySeparators(const QString& text, const Translate& translate, QString& result) const {
    static const QString kSeparators[] = {QStringLiteral("；"), QStringLiteral("; "), QStringLiteral("\n")};
    for (const QString& separator : kSeparators) {
        if (!text.contains(separator)) {
            continue;
        }
        QStringList pieces = text.split(separator);
        for (QString& piece : pieces) {
            piece = localize(piece, translate);
        }
        result = pieces.join(separator);
        return true;
    }
    return false;
}

void MessageLocalizer::buildTemplates() const {
    if (built_) {
        return;
    }
    built_ = true;
    QSet<QString> seen;
    for (const QString& path : templateFiles_) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        const QJsonObject sourceTexts = document.object().value(QStringLiteral("source_texts")).toObject();
        for (auto it = sourceTexts.begin(); it != sourceTexts.end(); ++it) {
            const QString& key = it.key();
            if (seen.contains(key) || !key.contains(ideographPattern())) {
                continue;
            }
            seen.insert(key);
            MessageTemplate messageTemplate;
            QString expression = QStringLiteral("\\A");
            int copied = 0;
            QRegularExpressionMatchIterator placeholders = placeholderPattern().globalMatch(key);
            while (placeholders.hasNext()) {
                const QRegularExpressionMatch match = placeholders.next();
                const QString literal = key.mid(copied, match.capturedStart() - copied);
                expression += QRegularExpression::escape(literal) + QStringLiteral("(.*?)");
                messageTemplate.literalLength += literal.size();
                messageTemplate.placeholders << match.capturedRef(1).toInt();
                copied = match.capturedEnd();
            }
            if (messageTemplate.placeholders.isEmpty()) {
                continue;
            }
            const QString tail = key.mid(copied);
            expression += QRegularExpression::escape(tail) + QStringLiteral("\\z");
            messageTemplate.literalLength += tail.size();
            messageTemplate.key = key;
            messageTemplate.pattern =
                QRegularExpression(expression, QRegularExpression::DotMatchesEverythingOption);
            messageTemplate.pattern.optimize();
            templates_.push_back(std::move(messageTemplate));
        }
    }
    // The most specific template (most literal text) is tried first.
    std::stable_sort(templates_.begin(), templates_.end(), [](const MessageTemplate& a, const MessageTemplate& b) {
        return a.literalLength > b.literalLength;
    });
}

int MessageLocalizer::templateCount() const {
    buildTemplates();
    return templates_.size();
}

}  // namespace hazard_desk
