#pragma once
// Run-time translation of the workstation's Chinese source texts. This build
// carries the entry points the window and start-up use; texts pass through
// unchanged (the interface shows its Chinese source language).
#include <QObject>
#include <QString>

class QWidget;

namespace hazard_desk {

class LanguageManager : public QObject {
    Q_OBJECT
public:
    static LanguageManager& instance();

    void init(const QString& preferredCode);
    QString currentLanguage() const { return currentLanguage_; }
    QString translate(const QString& text) const;
    QString localizeMessage(const QString& text) const;
    void retranslate(QWidget* widget);
    // Attaches the language menu to the window's "languageButton".
    void installLanguageMenu(QWidget* window);

signals:
    void languageChanged(QString code);

private:
    LanguageManager();

    bool initialised_ = false;
    QString currentLanguage_ = QStringLiteral("zh-CN");
};

}  // namespace hazard_desk
