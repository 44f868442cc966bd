// Translation files into the catalog: the table format, the older
// "language.json" format, the i18n folders and their index, and the reverse
// index built from what was read.
#include "TranslationCatalog.h"
#include "TranslationFileLoader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace hazard_desk {
namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QString text(const TranslationCatalog& catalog, const QString& source, const QString& code) {
    const auto it = catalog.bySource().constFind(source);
    return it == catalog.bySource().cend() ? QStringLiteral("<none>") : it->value(code, QStringLiteral("<none>"));
}

TEST(TranslationFileLoader, TableFormatReadsTextsAndSourceTexts) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.json"));
    writeFile(path, R"({
        "source_language": "zh-CN",
        "texts": {
            "connect": {"source": "连接相机", "en-US": "Connect camera", "ja-JP": ""},
            "disconnect": {"zh-CN": "断开相机", "en-US": "Disconnect camera"},
            "orphan": {"en-US": "No source at all"}
        },
        "source_texts": {"刷新设备": {"en-US": "Refresh devices", "vi-VN": "Làm mới thiết bị"}}
    })");
    TranslationCatalog catalog;
    ASSERT_TRUE(TranslationFileLoader(catalog).readTableFile(path));
    EXPECT_EQ(text(catalog, QStringLiteral("连接相机"), QStringLiteral("en-US")), QStringLiteral("Connect camera"));
    EXPECT_EQ(text(catalog, QStringLiteral("连接相机"), QStringLiteral("ja-JP")), QStringLiteral("<none>"));
    EXPECT_EQ(catalog.byId().value(QStringLiteral("connect")).value(QStringLiteral("en-US")),
              QStringLiteral("Connect camera"));
    // Without "source" the file's source-language member is the source.
    EXPECT_EQ(text(catalog, QStringLiteral("断开相机"), QStringLiteral("en-US")), QStringLiteral("Disconnect camera"));
    EXPECT_FALSE(catalog.byId().contains(QStringLiteral("orphan")));
    EXPECT_EQ(text(catalog, QStringLiteral("刷新设备"), QStringLiteral("vi-VN")), QStringLiteral("Làm mới thiết bị"));
}

TEST(TranslationFileLoader, BrokenFilesAddNothingAndLaterFilesWin) {
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("a.json"));
    const QString second = dir.filePath(QStringLiteral("b.json"));
    writeFile(first, R"({"source_texts": {"连接相机": {"en-US": "Connect", "ja-JP": "カメラ接続"}}})");
    writeFile(second, R"({"source_texts": {"连接相机": {"en-US": "Connect camera"}}})");
    writeFile(dir.filePath(QStringLiteral("array.json")), R"(["not", "an", "object"])");
    writeFile(dir.filePath(QStringLiteral("broken.json")), R"({"source_texts": )");
    TranslationCatalog catalog;
    TranslationFileLoader loader(catalog);
    EXPECT_FALSE(loader.readTableFile(dir.filePath(QStringLiteral("missing.json"))));
    EXPECT_FALSE(loader.readTableFile(dir.filePath(QStringLiteral("array.json"))));
    EXPECT_FALSE(loader.readTableFile(dir.filePath(QStringLiteral("broken.json"))));
    EXPECT_TRUE(catalog.bySource().isEmpty());
    loader.readTableFile(first);
    loader.readTableFile(second);
    EXPECT_EQ(text(catalog, QStringLiteral("连接相机"), QStringLiteral("en-US")), QStringLiteral("Connect camera"));
    EXPECT_EQ(text(catalog, QStringLiteral("连接相机"), QStringLiteral("ja-JP")), QStringLiteral("カメラ接続"));
}

TEST(TranslationFileLoader, LegacyFileNamesLanguagesAndKeysBySourceText) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("language.json"));
    writeFile(path, R"({
        "Support_LU": {"ko-KR": {"msg": "한국어"}, "th-TH": {}},
        "language": {"IDS_CONNECT": {"zh-CN": "连接相机", "ko-KR": "카메라 연결"}}
    })");
    TranslationCatalog catalog;
    ASSERT_TRUE(TranslationFileLoader(catalog).readLegacyFile(path));
    QStringList names;
    for (const LanguageRecord& language : catalog.languages()) {
        names << language.code + QLatin1Char('=') + language.name + QLatin1Char('/') + language.nativeName;
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("ko-KR=한국어/한국어"), QStringLiteral("th-TH=th-TH/th-TH")}));
    EXPECT_EQ(text(catalog, QStringLiteral("连接相机"), QStringLiteral("ko-KR")), QStringLiteral("카메라 연결"));
    EXPECT_EQ(catalog.byId().value(QStringLiteral("IDS_CONNECT")).value(QStringLiteral("ko-KR")),
              QStringLiteral("카메라 연결"));
}

TEST(TranslationFileLoader, FolderReadsItsIndexThenItsFilesSkippingTemplates) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("i18n"));
    writeFile(folder + QStringLiteral("/languages.json"), R"({
        "fallback": "zh-CN", "current": "de-DE", "source_language": "zh-CN",
        "languages": [{"code": "de-DE", "name": "German", "nativeName": "Deutsch"}, {"code": "fr-FR"}, {"name": "no code"}]
    })");
    writeFile(folder + QStringLiteral("/a.json"), R"({"source_texts": {"连接相机": {"de-DE": "Kamera verbinden, a"}}})");
    writeFile(folder + QStringLiteral("/b.json"), R"({"texts": {"x": {"zh-CN": "连接相机", "de-DE": "Kamera verbinden"}}})");
    writeFile(folder + QStringLiteral("/c.template.json"), R"({"source_texts": {"连接相机": {"de-DE": "TEMPLATE"}}})");
    TranslationCatalog catalog;
    TranslationFileLoader loader(catalog);
    loader.readFolder(folder);
    EXPECT_EQ(loader.indexedCurrentLanguage(), QStringLiteral("de-DE"));
    ASSERT_EQ(catalog.languages().size(), 2);
    EXPECT_EQ(catalog.languages().at(0).nativeName, QStringLiteral("Deutsch"));
    EXPECT_EQ(catalog.languages().at(1).name, QStringLiteral("fr-FR"));
    // Name order: b.json overwrote a.json; the ".template." file was not read.
    EXPECT_EQ(text(catalog, QStringLiteral("连接相机"), QStringLiteral("de-DE")), QStringLiteral("Kamera verbinden"));
}

TEST(TranslationFileLoader, CandidatesExistOnceByCanonicalPath) {
    QTemporaryDir dir;
    const QString current = dir.filePath(QStringLiteral("work"));
    const QString application = dir.filePath(QStringLiteral("work/bin"));
    QDir().mkpath(application);
    writeFile(current + QStringLiteral("/conf/language.json"), "{}");
    QDir().mkpath(current + QStringLiteral("/i18n"));
    // "../conf/language.json" and "../i18n" beside the program are the same
    // files as the working directory's.
    const QStringList legacy = TranslationFileLoader::legacyFileCandidates(current, application);
    ASSERT_EQ(legacy.size(), 1);
    EXPECT_TRUE(legacy.at(0).endsWith(QStringLiteral("work/conf/language.json")));
    const QStringList folders = TranslationFileLoader::folderCandidates(current, application);
    ASSERT_EQ(folders.size(), 1);
    EXPECT_TRUE(folders.at(0).endsWith(QStringLiteral("work/i18n")));
}

TEST(TranslationCatalog, ReverseIndexLeavesOutAmbiguousTranslationsAndLookupFallsBack) {
    TranslationCatalog catalog;
    const auto add = [&catalog](const char* source, const char* code, const char* text) {
        catalog.addSourceTranslation(QString::fromUtf8(source), QString::fromLatin1(code), QString::fromUtf8(text));
    };
    add("预警区域", "en-US", "Warning zone");
    add("预警区域", "ja-JP", "予告エリア");
    add("警告区域", "en-US", "Warning zone");
    add("警告区域", "ja-JP", "警告エリア");
    add("提示区域", "en-US", "Warning zone");  // a third source does not bring it back
    add("连接相机", "en-US", "Connect camera");
    add("连接相机", "vi-VN", "Connect camera");  // the same source twice is not ambiguous
    add("模板", "en-US", "Template");
    add("Template", "zh-CN", "模板");  // a translation that is itself a source text
    catalog.rebuildReverseIndex();
    EXPECT_EQ(catalog.find(QStringLiteral("Warning zone")), nullptr);
    ASSERT_NE(catalog.find(QStringLiteral("予告エリア")), nullptr);
    EXPECT_EQ(catalog.find(QStringLiteral("予告エリア"))->value(QStringLiteral("en-US")), QStringLiteral("Warning zone"));
    ASSERT_NE(catalog.find(QStringLiteral("Connect camera")), nullptr);
    // "Template" is found as the source it is, not as the translation of 模板.
    EXPECT_EQ(catalog.find(QStringLiteral("Template"))->value(QStringLiteral("zh-CN")), QStringLiteral("模板"));
    EXPECT_EQ(catalog.reverseIndexSize(), 3);  // 予告エリア, 警告エリア, Connect camera

    // A language the text has no entry for falls back to the source language.
    EXPECT_EQ(*catalog.lookup(QStringLiteral("Template"), QStringLiteral("vi-VN")), QStringLiteral("模板"));
    EXPECT_EQ(catalog.lookup(QStringLiteral("Unknown"), QStringLiteral("vi-VN")), nullptr);
    catalog.addLanguage(QString(), QStringLiteral("nameless"), QString());
    EXPECT_TRUE(catalog.languages().isEmpty());
}

}  // namespace
}  // namespace hazard_desk
