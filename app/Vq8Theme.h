#pragma once
// The workstation's dark theme, applied once to the whole application before
// the main window exists.
class QApplication;
class QString;
class QStringList;

namespace vq8ui {

// Fusion style, the first installed font of the preferred CJK-capable
// families, the dark palette and the application style sheet.
void applyVq8Theme(QApplication& application);

// The installed family chosen for the candidates (exact or prefix match,
// ignoring case, candidates in order); fallback when none is installed.
QString chooseFontFamily(const QStringList& installedFamilies, const QString& fallback);

// The style sheet template with every colour token replaced, longest first.
QString themeStyleSheet(const QString& fontFamily);

}  // namespace vq8ui
