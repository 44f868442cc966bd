#pragma once
// Localizes feedback texts the workstation composed from several parts: a
// plain translation when the whole text is known; a validation issue
// ("templates[3].zones.danger：message") as a labelled line; a text built
// from a Chinese source with placeholders ("模板 %1 已保存…") through a
// template made from that source; otherwise piece by piece between "；",
// "; " and line breaks. GUI thread only.
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace hazard_desk {

class MessageLocalizer {
public:
    using Translate = std::function<QString(const QString&)>;

    // templateFiles: table files whose "source_texts" keys become message
    // templates, read on first use; the first occurrence of a key wins.
    explicit MessageLocalizer(QStringList templateFiles) : templateFiles_(std::move(templateFiles)) {}

    QString localize(const QString& text, const Translate& translate) const;

    // The label key of a validation path ("extrinsics", "activeIndex" or a
    // template path with its suffix), untranslated.
    static QString validationLabel(const QString& path, const QString& templateSuffix);
    // Replaces every %n of text by values[n - 1] in one pass (a value's own
    // "%2" is not replaced again); placeholders without a value stay.
    static QString substitute(const QString& text, const QStringList& values);

    int templateCount() const;

private:
    struct MessageTemplate {
        QString key;
        QRegularExpression pattern;
        QVector<int> placeholders;  // in the order they appear in the key
        int literalLength = 0;
    };

    void buildTemplates() const;
    bool localizeValidationIssue(const QString& text, const Translate& translate, QString& result) const;
    bool localizeByTemplate(const QString& text, const Translate& translate, QString& result) const;
    bool localizeBySeparators(const QString& text, const Translate& translate, QString& result) const;

    QStringList templateFiles_;
    mutable bool built_ = false;
    mutable QVector<MessageTemplate> templates_;
};

}  // namespace hazard_desk
