#pragma once
// Run-time translation of the workstation. Every user-facing text is written
// in Simplified Chinese, the source language; the manager holds the
// translation tables, rewrites whole widget trees into the current language
// (remembering each text's source on the widget), translates texts code
// passes through it, and switches Qt's own texts with the language. One
// process-wide instance, created on first use and kept until exit; as the
// application's event filter it translates every window as it is shown.
// GUI thread only.
#include "TranslationCatalog.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QWidget;

namespace hazard_desk {

class MessageLocalizer;
class QtStandardTranslations;
class WidgetRetranslator;

class LanguageManager : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kSettingKey = "ui/language";

    static LanguageManager& instance();

    // The workstation uses instance(); tests build managers of their own.
    // templateFiles: where the message templates come from (null: the
    // workstation's files, see localizeMessage).
    explicit LanguageManager(const QStringList* templateFiles = nullptr);
    ~LanguageManager() override;

    // Loads every table once, then selects the preferred code when it is a
    // known language, then the stored setting when that is one. Later calls
    // do nothing.
    void init(const QString& preferredCode);
    // Switches to a known language other than the current one, stores it,
    // emits languageChanged and retranslates every top-level widget.
    void setLanguage(const QString& code);
    // The same for this run only, without storing it: the command line's
    // choice, which wins over the stored one.
    void setSessionLanguage(const QString& code);

    QString currentLanguage() const { return currentLanguage_; }
    QString sourceLanguage() const { return catalog_.sourceLanguage(); }
    QVector<LanguageRecord> languages() const { return catalog_.languages(); }
    // A registered code for code itself or its first part ("en" → "en-US"),
    // compared without regard to case; empty when there is none.
    QString resolveLanguageCode(const QString& code) const;

    QString translate(const QString& text) const;
    void retranslate(QWidget* widget);
    void installLanguageMenu(QWidget* window);
    static QString pickLanguage(const QStringList& localeNames);
    QString localizeMessage(const QString& text) const;

    const TranslationCatalog& catalog() const { return catalog_; }
    // Where Qt's own texts for the current language came from (empty: none).
    const QString& qtTranslationOrigin() const { return qtTranslationOrigin_; }

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void languageChanged(QString code);

private:
    void loadTables();
    void switchTo(const QString& code, bool store);
    void retranslateTopLevelWidgets();

    bool initialised_ = false;
    bool retranslating_ = false;
    QString currentLanguage_ = QStringLiteral("zh-CN");
    QString qtTranslationOrigin_;
    TranslationCatalog catalog_;
    std::unique_ptr<WidgetRetranslator> retranslator_;
    // Built on first use: its template files are found then.
    mutable std::unique_ptr<MessageLocalizer> localizer_;
    std::unique_ptr<QtStandardTranslations> qtTranslations_;
};

}  // namespace hazard_desk
