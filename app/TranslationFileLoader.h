#pragma once
// Reads translation files into a TranslationCatalog: the table format of the
// embedded table and of the i18n folders, the older "language.json" format
// and the folders' "languages.json" index. A file that is missing,
// unreadable or not a JSON object adds nothing.
#include <QString>
#include <QStringList>

namespace hazard_desk {

class TranslationCatalog;

class TranslationFileLoader {
public:
    explicit TranslationFileLoader(TranslationCatalog& catalog) : catalog_(catalog) {}

    // "source_language", "texts" (id → {"source", code → text}) and
    // "source_texts" (source → {code → text}). defaultSource applies when the
    // file names no source language; empty means the catalog's.
    bool readTableFile(const QString& path, const QString& defaultSource = QString());
    // "Support_LU" (code → {"msg"}) and "language" (id → {code → text}).
    bool readLegacyFile(const QString& path);
    // "languages.json" first, then the folder's other *.json files in name
    // order; files whose name contains ".template." are skipped.
    void readFolder(const QString& folder);

    // The "current" language named by the last folder index read, if any.
    const QString& indexedCurrentLanguage() const { return indexedCurrent_; }

    // The candidate files and folders, existing ones only, each once by
    // canonical path, in reading order.
    static QStringList legacyFileCandidates(const QString& currentDir, const QString& applicationDir);
    static QStringList folderCandidates(const QString& currentDir, const QString& applicationDir);

private:
    QString readFolderIndex(const QString& path);

    TranslationCatalog& catalog_;
    QString indexedCurrent_;
};

}  // namespace hazard_desk
