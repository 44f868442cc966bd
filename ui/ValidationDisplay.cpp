#include "ValidationDisplay.h"

#include "LanguageManager.h"
#include "ValidationFieldMap.h"

#include <QLabel>

#include <algorithm>

namespace hazard_desk {
namespace {

constexpr const char* kGood = "color:#55dda8;";
constexpr const char* kBad = "color:#ff5360;";

QString translate(const QString& text) {
    return LanguageManager::instance().localizeMessage(text);
}

}  // namespace

ValidationDisplay::ValidationDisplay(QLabel* label, QWidget* root)
    : label_(label), marker_(root), text_(label->text()) {}

QString ValidationDisplay::lines(const ValidationIssueList& issues, bool translated) {
    QStringList result;
    const std::size_t shown = std::min<std::size_t>(issues.size(), kShownIssues);
    for (std::size_t i = 0; i < shown; ++i) {
        const QString message = QString::fromStdString(issues[i].message);
        result << QStringLiteral("%1：%2").arg(QString::fromStdString(issues[i].path),
                                              translated ? translate(message) : message);
    }
    if (issues.size() > shown) {
        const QString more = QStringLiteral("另有 %1 项错误");
        result << (translated ? translate(more) : more).arg(issues.size() - shown);
    }
    return result.join(QLatin1Char('\n'));
}

QString ValidationDisplay::issueLines(const ValidationIssueList& issues) {
    return lines(issues, false);
}

void ValidationDisplay::showIssues(const ValidationIssueList& issues, int editingIndex, TemplateType type) {
    marker_.clear();
    for (const ValidationIssue& issue : issues) {
        const QString text = translate(QString::fromStdString(issue.message));
        for (const QString& field : ValidationFieldMap::fieldsFor(issue.path, editingIndex, type)) {
            marker_.mark(field, text);
        }
    }
    if (issues.empty()) {
        showVerdict(QStringLiteral("参数校验通过"), true);
        return;
    }
    issues_ = issues;
    text_.clear();
    style_ = QString::fromLatin1(kBad);
    retranslate();
}

void ValidationDisplay::showVerdict(const QString& text, bool ok) {
    issues_.clear();
    text_ = text;
    style_ = QString::fromLatin1(ok ? kGood : kBad);
    retranslate();
}

void ValidationDisplay::retranslate() {
    label_->setText(issues_.empty() ? translate(text_) : lines(issues_, true));
    label_->setStyleSheet(style_);
}

}  // namespace hazard_desk
