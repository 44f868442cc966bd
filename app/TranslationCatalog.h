#pragma once
// The translation tables of the workstation: the selectable languages, the
// texts by message id and by source text, and the reverse index that finds a
// text again when it is already shown in some language. Filled by
// TranslationFileLoader, read by LanguageManager. GUI thread only.
#include <QHash>
#include <QMap>
#include <QString>
#include <QVector>

namespace hazard_desk {

struct LanguageRecord {
    QString code;
    QString name;
    QString nativeName;
};

// One text in every language that has it: language code → text.
using TranslationTable = QHash<QString, QString>;

class TranslationCatalog {
public:
    // An empty code is ignored; an existing code gets both names replaced.
    void addLanguage(const QString& code, const QString& name, const QString& nativeName);
    bool hasLanguage(const QString& code) const { return languages_.contains(code); }
    // In code order.
    QVector<LanguageRecord> languages() const;

    const QString& sourceLanguage() const { return sourceLanguage_; }
    void setSourceLanguage(const QString& code) { sourceLanguage_ = code; }

    // Empty texts are not stored.
    void addSourceTranslation(const QString& source, const QString& code, const QString& text);
    void addIdTranslation(const QString& id, const QString& code, const QString& text);

    // A translation T of source S is indexed unless T is itself a source text
    // or T also translates another source text; such a T stays out for good.
    void rebuildReverseIndex();

    // The table of a source text, else of a text found in the reverse index.
    const TranslationTable* find(const QString& text) const;
    // The table's text for the language, else for the source language; null
    // when neither is there or the text is not known.
    const QString* lookup(const QString& text, const QString& code) const;

    const QHash<QString, TranslationTable>& bySource() const { return bySource_; }
    const QHash<QString, TranslationTable>& byId() const { return byId_; }
    int reverseIndexSize() const { return reverse_.size(); }

private:
    QMap<QString, LanguageRecord> languages_;
    QString sourceLanguage_ = QStringLiteral("zh-CN");
    QHash<QString, TranslationTable> byId_;
    QHash<QString, TranslationTable> bySource_;
    // Translated text → its source text (a key of bySource_).
    QHash<QString, QString> reverse_;
};

}  // namespace hazard_desk
