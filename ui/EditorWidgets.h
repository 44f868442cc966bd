#pragma once
// Small builders shared by the parameter editor's groups: every control gets
// its object name and, as its accessible name, the label it is shown with.
#include <QString>

class QCheckBox;
class QDoubleSpinBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace hazard_desk::editor_widgets {

inline constexpr double kCoordinateLimitMm = 100000.0;

QDoubleSpinBox* spin(QWidget* parent, const char* name, double minimum, double maximum, double value,
                     const QString& suffix = QString());
QPushButton* button(QWidget* parent, const char* name, const QString& text);
QCheckBox* check(QWidget* parent, const char* name, const QString& text);
QLabel* label(QWidget* parent, const char* name, const QString& text);
QGroupBox* group(QWidget* parent, const char* name, const QString& title);
// A form row whose field is announced by its label.
void addRow(QFormLayout* form, const QString& text, QWidget* field);
void setRowVisible(QFormLayout* form, QWidget* field, bool visible);

}  // namespace hazard_desk::editor_widgets
