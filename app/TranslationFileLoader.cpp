#include "TranslationFileLoader.h"

#include "TranslationCatalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace hazard_desk {
namespace {

const QString kIndexFileName = QStringLiteral("languages.json");

bool readObject(const QString& path, QJsonObject& object) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    object = document.object();
    return true;
}

// Existing paths only, each once by canonical path, in the given order.
QStringList existingOnce(const QStringList& paths, bool folders) {
    QStringList result;
    QSet<QString> seen;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists() || info.isDir() != folders) {
            continue;
        }
        const QString canonical = info.canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical)) {
            continue;
        }
        seen.insert(canonical);
        result << canonical;
    }
    return result;
}

}  // namespace

bool TranslationFileLoader::readTableFile(const QString& path, const QString& defaultSource) {
    QJsonObject root;
    if (!readObject(path, root)) {
        return false;
    }
    QString fileSource = root.value(QStringLiteral("source_language")).toString();
    if (fileSource.isEmpty()) {
        fileSource = defaultSource.isEmpty() ? catalog_.sourceLanguage() : defaultSource;
    }
    const QJsonObject texts = root.value(QStringLiteral("texts")).toObject();
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        QString source = entry.value(QStringLiteral("source")).toString();
        if (source.isEmpty()) {
            source = entry.value(fileSource).toString();
        }
        if (source.isEmpty()) {
            continue;
        }
        for (auto member = entry.begin(); member != entry.end(); ++member) {
            if (member.key() == QLatin1String("source")) {
                continue;
            }
            const QString text = member.value().toString();
            catalog_.addSourceTranslation(source, member.key(), text);
            catalog_.addIdTranslation(it.key(), member.key(), text);
        }
    }
    const QJsonObject sourceTexts = root.value(QStringLiteral("source_texts")).toObject();
    for (auto it = sourceTexts.begin(); it != sourceTexts.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        for (auto member = entry.begin(); member != entry.end(); ++member) {
            catalog_.addSourceTranslation(it.key(), member.key(), member.value().toString());
        }
    }
    return true;
}

bool TranslationFileLoader::readLegacyFile(const QString& path) {
    QJsonObject root;
    if (!readObject(path, root)) {
        return false;
    }
    const QJsonObject supported = root.value(QStringLiteral("Support_LU")).toObject();
    for (auto it = supported.begin(); it != supported.end(); ++it) {
        QString name = it.value().toObject().value(QStringLiteral("msg")).toString();
        if (name.isEmpty()) {
            name = it.key();
        }
        catalog_.addLanguage(it.key(), name, name);
    }
    const QString sourceCode = catalog_.sourceLanguage();
    const QJsonObject messages = root.value(QStringLiteral("language")).toObject();
    for (auto it = messages.begin(); it != messages.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const QString source = entry.value(sourceCode).toString();
        for (auto member = entry.begin(); member != entry.end(); ++member) {
            const QString text = member.value().toString();
            catalog_.addIdTranslation(it.key(), member.key(), text);
            catalog_.addSourceTranslation(source, member.key(), text);
        }
    }
    return true;
}

QString TranslationFileLoader::readFolderIndex(const QString& path) {
    QJsonObject index;
    if (!readObject(path, index)) {
        return QString();
    }
    const QString fallback = index.value(QStringLiteral("fallback")).toString();
    if (!fallback.isEmpty()) {
        catalog_.setSourceLanguage(fallback);
    }
    const QString current = index.value(QStringLiteral("current")).toString();
    if (!current.isEmpty()) {
        indexedCurrent_ = current;
    }
    for (const QJsonValue& value : index.value(QStringLiteral("languages")).toArray()) {
        const QJsonObject language = value.toObject();
        const QString code = language.value(QStringLiteral("code")).toString();
        if (code.isEmpty()) {
            continue;
        }
        const QString name = language.value(QStringLiteral("name")).toString(code);
        catalog_.addLanguage(code, name, language.value(QStringLiteral("nativeName")).toString(name));
    }
    return index.value(QStringLiteral("source_language")).toString();
}

void TranslationFileLoader::readFolder(const QString& folder) {
    const QDir dir(folder);
    const QString defaultSource = readFolderIndex(dir.filePath(kIndexFileName));
    const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : files) {
        if (name == kIndexFileName || name.contains(QLatin1String(".template."))) {
            continue;
        }
        readTableFile(dir.filePath(name), defaultSource);
    }
}

QStringList TranslationFileLoader::legacyFileCandidates(const QString& currentDir, const QString& applicationDir) {
    const QDir current(currentDir);
    const QDir application(applicationDir);
    return existingOnce({current.filePath(QStringLiteral("language.json")),
                         current.filePath(QStringLiteral("conf/language.json")),
                         application.filePath(QStringLiteral("conf/language.json")),
                         application.filePath(QStringLiteral("../conf/language.json"))},
                        false);
}

QStringList TranslationFileLoader::folderCandidates(const QString& currentDir, const QString& applicationDir) {
    const QDir current(currentDir);
    const QDir application(applicationDir);
    return existingOnce({current.filePath(QStringLiteral("i18n")), application.filePath(QStringLiteral("../i18n")),
                         application.filePath(QStringLiteral("i18n"))},
                        true);
}

}  // namespace hazard_desk
