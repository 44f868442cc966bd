#include "Vq8Theme.h"

#include "FeatureDialogTitleBarFilter.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPalette>
#include <QStringList>
#include <QStyleFactory>

#include <utility>

namespace vq8ui {
namespace {

// Token order matters: longer tokens sharing a prefix are replaced first.
const std::pair<const char*, const char*> kColourTokens[] = {
    {"%bg", "#0B1220"},          {"%okBg", "#16281D"},    {"%okFg", "#4ADE80"},    {"%warnBg", "#2A2412"},
    {"%warnFg", "#FBBF24"},      {"%errBg", "#2A1618"},   {"%errFg", "#F87171"},   {"%brandDark", "#2563EB"},
    {"%brand", "#3B82F6"},       {"%cyan", "#38BDF8"},    {"%panel2", "#1B2536"},  {"%panel", "#1E293B"},
    {"%surface2", "#172033"},    {"%head", "#243347"},    {"%borderStrong", "#475569"},
    {"%border", "#334155"},      {"%line", "#28344B"},    {"%muted", "#94A3B8"},   {"%faint", "#64748B"},
    {"%text", "#E2E8F0"},        {"%card", "#0F172A"},
};

const char* const kFontCandidates[] = {
    "Microsoft YaHei UI", "Microsoft YaHei",   "PingFang SC",         "Hiragino Sans GB",
    "Noto Sans CJK SC",   "Source Han Sans SC", "WenQuanYi Micro Hei", "Segoe UI",
};

// The theme's rules; "%name" tokens stand for the colours above.
const char* const kStyleTemplate = R"QSS(
QMainWindow, QDialog { background: %bg; }
QToolTip { color: %text; background: %card; border: 1px solid %border; }
QGroupBox { background: transparent; border: 1px solid %border; border-radius: 4px; margin-top: 14px; padding: 6px 6px 6px 6px; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 4px; color: %muted; }
QGroupBox[role="card"] { background: %panel2; }
QGroupBox[role="card"]::title { background: %head; }
QPushButton { background: %panel2; color: %text; border: 1px solid %border; border-radius: 4px; padding: 5px 12px; }
QPushButton:hover { border-color: %borderStrong; }
QPushButton:pressed { background: %surface2; }
QPushButton:checked { background: %surface2; border-color: %cyan; color: %cyan; }
QPushButton:disabled { color: %faint; border-color: %line; }
QPushButton[role="primary"] { background: %brand; color: white; border-color: %brandDark; }
QPushButton[role="primary"]:hover { background: %brandDark; }
QPushButton[role="primary"]:disabled { background: %panel; color: %faint; border-color: %line; }
QPushButton[role="secondary"] { background: %panel2; }
QPushButton[role="destructive"] { background: %errBg; color: %errFg; }
QLineEdit, QSpinBox, QDoubleSpinBox, QComboBox { background: %card; color: %text; border: 1px solid %border; border-radius: 3px; padding: 3px 6px; }
QLineEdit:focus, QSpinBox:focus, QDoubleSpinBox:focus, QComboBox:focus { border-color: %brand; }
QAbstractSpinBox::up-button, QAbstractSpinBox::down-button { subcontrol-origin: border; width: 16px; border-left: 1px solid %border; background: %panel2; }
QAbstractSpinBox::up-button { subcontrol-position: top right; border-top-right-radius: 3px; }
QAbstractSpinBox::down-button { subcontrol-position: bottom right; border-bottom-right-radius: 3px; }
QAbstractSpinBox::up-arrow { image: url(:/res/arrow_up.png); width: 10px; height: 6px; }
QAbstractSpinBox::down-arrow { image: url(:/res/arrow_down.png); width: 10px; height: 6px; }
QAbstractSpinBox::up-arrow:disabled, QAbstractSpinBox::down-arrow:disabled { image: none; }
QListWidget, QPlainTextEdit, QTextEdit { background: %card; color: %text; border: 1px solid %border; border-radius: 3px; }
QScrollArea { background: transparent; border: none; }
QScrollBar:vertical { background: %bg; width: 10px; margin: 0; }
QScrollBar::handle:vertical { background: %border; border-radius: 4px; min-height: 24px; }
QScrollBar::add-line, QScrollBar::sub-line { height: 0; width: 0; }
QSplitter::handle { background: %line; }
QStatusBar { background: %surface2; color: %muted; border-top: 1px solid %line; }
QFrame#topBar { background: %card; border-bottom: 1px solid %line; }
QFrame#commandBar { background: %surface2; border-bottom: 1px solid %line; }
QFrame#viewControlBar, QFrame#centerStatusBar { background: %surface2; }
QLabel#applicationTitleLabel { color: %text; }
QLabel#applicationSubtitleLabel { color: %cyan; }
QLabel#softwareVersionLabel, QLabel#sdkVersionLabel, QLabel#activeDeviceLabel, QLabel#coordinateHintLabel { color: %muted; }
QCheckBox { color: %text; spacing: 6px; }
QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid %borderStrong; border-radius: 3px; background: %card; }
QCheckBox::indicator:checked { background: %brand; border-color: %brandDark; }
QCheckBox::indicator:disabled { background: %surface2; border-color: %line; }
QCheckBox:disabled, QLabel:disabled { color: %faint; }
QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top right; width: 18px; border-left: 1px solid %border; }
QComboBox QAbstractItemView { background: %card; color: %text; border: 1px solid %border; selection-background-color: %brand; selection-color: white; outline: 0; }
QLineEdit:disabled, QSpinBox:disabled, QDoubleSpinBox:disabled, QComboBox:disabled { background: %surface2; color: %faint; border-color: %line; }
QLineEdit[readOnly="true"], QPlainTextEdit[readOnly="true"] { background: %surface2; }
QListWidget::item { padding: 3px 6px; }
QListWidget::item:hover { background: %panel; }
QListWidget::item:selected { background: %brandDark; color: white; }
QScrollBar::handle:vertical:hover { background: %borderStrong; }
QScrollBar:horizontal { background: %bg; height: 10px; margin: 0; }
QScrollBar::handle:horizontal { background: %border; border-radius: 4px; min-width: 24px; }
QScrollBar::handle:horizontal:hover { background: %borderStrong; }
QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }
QSplitter::handle:hover { background: %border; }
QTabWidget::pane { border: 1px solid %border; border-radius: 4px; background: %panel2; top: -1px; }
QTabBar::tab { background: %panel; color: %muted; border: 1px solid %border; border-bottom: none; padding: 5px 12px; margin-right: 2px; border-top-left-radius: 4px; border-top-right-radius: 4px; }
QTabBar::tab:selected { background: %panel2; color: %text; border-color: %borderStrong; }
QTabBar::tab:hover:!selected { color: %text; }
QHeaderView::section { background: %head; color: %muted; border: none; border-right: 1px solid %border; border-bottom: 1px solid %border; padding: 4px 6px; }
QTableView, QTreeView { background: %card; alternate-background-color: %surface2; color: %text; gridline-color: %line; border: 1px solid %border; selection-background-color: %brandDark; selection-color: white; }
QMenu { background: %panel2; color: %text; border: 1px solid %border; padding: 4px 0; }
QMenu::item { padding: 5px 18px; }
QMenu::item:selected { background: %brandDark; color: white; }
QMenu::separator { height: 1px; background: %line; margin: 4px 8px; }
QProgressBar { background: %card; color: %text; border: 1px solid %border; border-radius: 3px; text-align: center; }
QProgressBar::chunk { background: %brand; border-radius: 2px; }
QDialog[role="featureDialog"] { background: %bg; }
QDialog[role="featureDialog"] QLabel { color: %text; }
QDialog[role="featureDialog"] QGroupBox { background: %card; border-color: %border; }
QDialog[role="featureDialog"] QPushButton { background: %panel2; color: %text; border: 1px solid %border; }
QDialog[role="featureDialog"] QPushButton:hover { border-color: %borderStrong; }
QDialog[role="featureDialog"] QPushButton:default { border-color: %brand; }
QDialog[role="featureDialog"] QListWidget, QDialog[role="featureDialog"] QListView, QDialog[role="featureDialog"] QTreeView, QDialog[role="featureDialog"] QTableView { background: %card; color: %text; border: 1px solid %border; }
QDialog[role="featureDialog"] QDateEdit, QDialog[role="featureDialog"] QTimeEdit, QDialog[role="featureDialog"] QDateTimeEdit { background: %card; color: %text; border: 1px solid %border; border-radius: 3px; padding: 3px 6px; }
QDialog[role="featureDialog"] QProgressBar { background: %card; border: 1px solid %border; }
QDialog[role="featureDialog"] QProgressBar::chunk { background: %brand; }
QCalendarWidget QWidget { background: %card; color: %text; alternate-background-color: %surface2; }
QCalendarWidget QToolButton { background: %panel2; color: %text; border: none; padding: 4px; }
QMessageBox, QInputDialog { background: %bg; }
QLabel[statusBanner="ok"] { background: %okBg; color: %okFg; border: 1px solid %okFg; border-radius: 4px; padding: 6px 10px; }
QLabel[statusBanner="warn"] { background: %warnBg; color: %warnFg; border: 1px solid %warnFg; border-radius: 4px; padding: 6px 10px; }
QLabel[statusBanner="error"] { background: %errBg; color: %errFg; border: 1px solid %errFg; border-radius: 4px; padding: 6px 10px; }
QPushButton[role="destructive"]:hover { border-color: %errFg; }
QPushButton[role="secondary"]:hover { background: %panel; }
)QSS";

}  // namespace

QString chooseFontFamily(const QStringList& installedFamilies, const QString& fallback) {
    for (const char* candidate : kFontCandidates) {
        const QString wanted = QString::fromUtf8(candidate);
        for (const QString& family : installedFamilies) {
            if (family.compare(wanted, Qt::CaseInsensitive) == 0 || family.startsWith(wanted, Qt::CaseInsensitive)) {
                return family;
            }
        }
    }
    return fallback;
}

QString themeStyleSheet(const QString& fontFamily) {
    QString body = QString::fromUtf8(kStyleTemplate);
    for (const auto& token : kColourTokens) {
        body.replace(QString::fromLatin1(token.first), QString::fromLatin1(token.second));
    }
    return QStringLiteral("* { font-family: \"%1\"; font-size: 13px; }\n").arg(fontFamily) + body;
}

void applyVq8Theme(QApplication& application) {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const QString family = chooseFontFamily(QFontDatabase().families(), QApplication::font().family());
    QFont font = QApplication::font();
    font.setFamily(family);
    QApplication::setFont(font);

    QPalette palette;
    palette.setColor(QPalette::Window, QColor("#0B1220"));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText}) {
        palette.setColor(role, QColor("#E2E8F0"));
    }
    palette.setColor(QPalette::Base, QColor("#0F172A"));
    palette.setColor(QPalette::ToolTipBase, QColor("#0F172A"));
    palette.setColor(QPalette::AlternateBase, QColor("#1B2536"));
    palette.setColor(QPalette::Button, QColor("#1B2536"));
    palette.setColor(QPalette::Highlight, QColor("#3B82F6"));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor("#38BDF8"));
    palette.setColor(QPalette::PlaceholderText, QColor("#64748B"));
    palette.setColor(QPalette::Mid, QColor("#334155"));
    palette.setColor(QPalette::Dark, QColor("#475569"));
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
        palette.setColor(QPalette::Disabled, role, QColor("#64748B"));
    }
    QApplication::setPalette(palette);

    application.setStyleSheet(themeStyleSheet(family));

    auto* titleBars = new FeatureDialogTitleBarFilter(&application);
    application.installEventFilter(titleBars);
}

}  // namespace vq8ui
