#include "FieldIssueMarker.h"

#include <QVariant>

namespace hazard_desk {
namespace {

constexpr const char* kErrorStyle =
    "QAbstractSpinBox { border:1px solid #ff5360; background:#2a1519; color:#ffb8bf; }";

}  // namespace

void FieldIssueMarker::mark(const QString& objectName, const QString& issueText) {
    QWidget* field = root_->findChild<QWidget*>(objectName);
    if (field == nullptr) {
        return;
    }
    Marked* entry = nullptr;
    for (Marked& m : marked_) {
        if (m.field == field) {
            entry = &m;
        }
    }
    if (entry == nullptr) {
        marked_.append(Marked{field, field->toolTip(), field->styleSheet(), {}});
        entry = &marked_.last();
        field->setProperty(kErrorProperty, true);
        field->setStyleSheet(entry->ownStyleSheet + QString::fromLatin1(kErrorStyle));
    }
    if (!entry->issues.contains(issueText)) {
        entry->issues.append(issueText);
    }
    field->setToolTip(entry->issues.join(QLatin1Char('\n')));
}

void FieldIssueMarker::clear() {
    for (const Marked& m : marked_) {
        if (m.field) {
            m.field->setProperty(kErrorProperty, false);
            m.field->setStyleSheet(m.ownStyleSheet);
            m.field->setToolTip(m.ownToolTip);
        }
    }
    marked_.clear();
}

QList<QWidget*> FieldIssueMarker::markedFields() const {
    QList<QWidget*> fields;
    for (const Marked& m : marked_) {
        if (m.field) {
            fields.append(m.field);
        }
    }
    return fields;
}

}  // namespace hazard_desk
