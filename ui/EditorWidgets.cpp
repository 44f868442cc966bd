#include "EditorWidgets.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace hazard_desk::editor_widgets {

QDoubleSpinBox* spin(QWidget* parent, const char* name, double minimum, double maximum, double value,
                     const QString& suffix) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(2);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setSuffix(suffix);
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QString::fromLatin1(name));
    result->setAccessibleName(text);
    return result;
}

QCheckBox* check(QWidget* parent, const char* name, const QString& text) {
    auto* result = new QCheckBox(text, parent);
    result->setObjectName(QString::fromLatin1(name));
    result->setAccessibleName(text);
    return result;
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* result = new QLabel(text, parent);
    result->setObjectName(QString::fromLatin1(name));
    return result;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& title) {
    auto* result = new QGroupBox(title, parent);
    result->setObjectName(QString::fromLatin1(name));
    return result;
}

void addRow(QFormLayout* form, const QString& text, QWidget* field) {
    auto* rowLabel = new QLabel(text, field->parentWidget());
    rowLabel->setBuddy(field);
    field->setAccessibleName(text);
    form->addRow(rowLabel, field);
}

void setRowVisible(QFormLayout* form, QWidget* field, bool visible) {
    if (QWidget* rowLabel = form->labelForField(field)) {
        rowLabel->setVisible(visible);
    }
    field->setVisible(visible);
}

}  // namespace hazard_desk::editor_widgets
