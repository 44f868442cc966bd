// The language manager over the workstation's embedded table: start-up
// language, translate, the snapshot re-translation of widget trees, the
// language menu and its timer, the composed-message localizer, Qt's own
// texts and the Show-event filter. Then the translation files it reads into
// its catalog (the i18n folders and their index) and the reverse index
// built from what was read.
#include "LanguageManager.h"
#include "LanguageMenu.h"
#include "TranslationCatalog.h"
#include "TranslationFileLoader.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace hazard_desk {
namespace {

using test::waitUntil;

std::unique_ptr<LanguageManager> makeManager(const QString& preferred, const QString& stored = QString()) {
    QSettings settings;
    if (stored.isEmpty()) {
        settings.remove(QLatin1String(LanguageManager::kSettingKey));
    } else {
        settings.setValue(QLatin1String(LanguageManager::kSettingKey), stored);
    }
    static const QStringList templateFiles{QStringLiteral(":/i18n/embedded.json")};
    auto manager = std::make_unique<LanguageManager>(&templateFiles);
    manager->init(preferred);
    return manager;
}

TEST(LanguageManager, StartupLanguageComesFromTheSettingThenThePreferredCode) {
    struct Case {
        const char* preferred;
        const char* stored;
        const char* expected;
    };
    const Case cases[] = {
        {"en-US", "", "en-US"},
        {"en-US", "ja-JP", "ja-JP"},
        {"en-US", "fr-FR", "en-US"},  // an unknown stored language is ignored
        {"xx-YY", "", "zh-CN"},
        {"", "vi-VN", "vi-VN"},
    };
    for (const Case& c : cases) {
        const auto manager = makeManager(QString::fromLatin1(c.preferred), QString::fromLatin1(c.stored));
        EXPECT_EQ(manager->currentLanguage(), QString::fromLatin1(c.expected)) << c.preferred << " / " << c.stored;
    }
}

TEST(LanguageManager, PickLanguageAndCodesFromTheCommandLine) {
    struct Case {
        QStringList locales;
        const char* expected;
    };
    const Case cases[] = {
        {{QStringLiteral("de-DE"), QStringLiteral("ja_JP"), QStringLiteral("en-US")}, "ja-JP"},
        {{QStringLiteral("zh-Hans-CN")}, "zh-CN"},
        {{QStringLiteral("VI")}, "vi-VN"},
        {{QStringLiteral("en-GB")}, "en-US"},
        {{QStringLiteral("fr-FR"), QStringLiteral("C")}, "en-US"},
        {{}, "en-US"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LanguageManager::pickLanguage(c.locales), QString::fromLatin1(c.expected)) << c.locales.join(' ').toStdString();
    }
    const auto manager = makeManager(QStringLiteral("zh-CN"));
    EXPECT_EQ(manager->resolveLanguageCode(QStringLiteral("EN-us")), QStringLiteral("en-US"));
    EXPECT_EQ(manager->resolveLanguageCode(QStringLiteral("ja")), QStringLiteral("ja-JP"));
    EXPECT_EQ(manager->resolveLanguageCode(QStringLiteral("fr-FR")), QString());
}

// A small window with one widget of every kind the pass rewrites.
struct SampleWindow {
    QWidget window;
    QLabel* label = new QLabel(QStringLiteral("请先连接相机"), &window);
    QPushButton* button = new QPushButton(QStringLiteral("连接相机"), &window);
    QPushButton* languageButton = new QPushButton(QStringLiteral("语言 / Language"), &window);
    QGroupBox* group = new QGroupBox(QStringLiteral("设备信息"), &window);
    QLabel* ignored = new QLabel(QStringLiteral("未连接"), group);
    QLabel* insideIgnored = new QLabel(QStringLiteral("已连接"), ignored);
    QComboBox* combo = new QComboBox(&window);
    QMenu* menu = new QMenu(button);

    SampleWindow() {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*>{label, button, languageButton, group, combo}) {
            layout->addWidget(w);
        }
        languageButton->setObjectName(QStringLiteral("languageButton"));
        ignored->setProperty("vq8_i18n_ignore", true);
        combo->addItems({QStringLiteral("矩形区域"), QStringLiteral("扇形区域"), QStringLiteral("--")});
        menu->addAction(QStringLiteral("导出日志"))->setStatusTip(QStringLiteral("导出运行日志"));
        button->setMenu(menu);
    }
};

TEST(LanguageManager, RetranslateRewritesTheTreeAndReturnsToTheSources) {
    const auto manager = makeManager(QStringLiteral("zh-CN"));
    SampleWindow sample;
    manager->retranslate(&sample.window);
    manager->setSessionLanguage(QStringLiteral("en-US"));
    manager->retranslate(&sample.window);
    // Every kind a user sees is checked on the whole window in each language;
    // here what that check cannot see: what is left alone, and menus.
    EXPECT_EQ(sample.label->text(), QStringLiteral("Connect a camera first"));
    EXPECT_EQ(sample.ignored->text(), QStringLiteral("未连接"));
    EXPECT_EQ(sample.insideIgnored->text(), QStringLiteral("Connected"));
    EXPECT_EQ(sample.combo->itemText(2), QStringLiteral("--"));
    EXPECT_EQ(sample.menu->actions().at(0)->text(), QStringLiteral("Export log"));
    EXPECT_EQ(sample.menu->actions().at(0)->statusTip(), QStringLiteral("Export runtime log"));

    // Changed by the application while English is shown: a new source.
    sample.label->setText(QStringLiteral("等待连接相机"));
    sample.combo->setItemText(1, QStringLiteral("自由矩形区域"));
    manager->setSessionLanguage(QStringLiteral("ja-JP"));
    EXPECT_EQ(sample.label->text(), QStringLiteral("カメラ接続待ち"));
    EXPECT_EQ(sample.combo->itemText(0), QStringLiteral("矩形エリア"));
    EXPECT_EQ(sample.combo->itemText(1), QStringLiteral("フリー矩形エリア"));

    manager->setSessionLanguage(QStringLiteral("zh-CN"));
    EXPECT_EQ(sample.label->text(), QStringLiteral("等待连接相机"));
    EXPECT_EQ(sample.button->text(), QStringLiteral("连接相机"));
    EXPECT_EQ(sample.combo->itemText(1), QStringLiteral("自由矩形区域"));
}

TEST(LanguageManager, LanguageMenuSwitchesAndItsTimerCatchesTextsSetByCode) {
    const auto manager = makeManager(QStringLiteral("zh-CN"));
    SampleWindow sample;
    manager->installLanguageMenu(&sample.window);
    auto* menu = sample.window.findChild<QMenu*>(QStringLiteral("obstacleLanguageMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(sample.languageButton->menu(), menu);
    QStringList texts;
    for (QAction* action : menu->actions()) {
        texts << action->text() + (action->isChecked() ? QStringLiteral("*") : QString());
    }
    EXPECT_EQ(texts.last(), QStringLiteral("简体中文*")) << "the current language is checked";
    manager->installLanguageMenu(&sample.window);  // once only
    EXPECT_EQ(sample.window.findChildren<QMenu*>(QStringLiteral("obstacleLanguageMenu")).size(), 1);

    QSignalSpy changed(manager.get(), &LanguageManager::languageChanged);
    menu->actions().at(0)->trigger();
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("en-US"));
    EXPECT_EQ(QSettings().value(QLatin1String(LanguageManager::kSettingKey)).toString(), QStringLiteral("en-US"));
    EXPECT_TRUE(menu->actions().at(0)->isChecked());
    EXPECT_EQ(sample.button->text(), QStringLiteral("Connect camera"));
    EXPECT_EQ(sample.languageButton->text(), QStringLiteral("语言 / Language"));

    // Set by code after the switch: the next tick of the 1 s timer catches it.
    sample.label->setText(QStringLiteral("请先连接相机"));
    EXPECT_TRUE(waitUntil([&] { return sample.label->text() == QStringLiteral("Connect a camera first"); },
                          LanguageMenu::kRetranslateIntervalMs + 500));
    menu->actions().at(3)->trigger();
    EXPECT_EQ(sample.label->text(), QStringLiteral("请先连接相机"));
}

// Plain texts (their surrounding white space kept, found also by a text
// shown in another language before) and composed messages, piece by piece.
TEST(LanguageManager, ShownTextsAndComposedMessagesAreLocalized) {
    const auto manager = makeManager(QStringLiteral("en-US"));
    struct Case {
        QString text;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("  连接相机\n"), QStringLiteral("  Connect camera\n")},
        {QStringLiteral("カメラ接続"), QStringLiteral("Connect camera")},
        {QStringLiteral("must be greater than zero"), QStringLiteral("Must be greater than zero")},
        {QString(), QString()},
        {QStringLiteral("templates[3].zones.danger：minX must be less than maxX"),
         QStringLiteral("Template 3 · Danger zone: X minimum must be less than maximum")},
        {QStringLiteral("activeIndex：must be an integer from 0 to 19"),
         QStringLiteral("Template number：Template index must be an integer from 0 to 19")},
        {QStringLiteral("templates[1].index：must match its 0..19 array position\n另有 2 项错误"),
         QStringLiteral("Template 1 · Template number: Template index must match its position from 0 to 19\n2 additional errors")},
        // Templates inside templates: the read-back difference in the apply failure.
        {QStringLiteral("设备回读参数与本次下发不一致：semantics：请求 true，回读 字段缺失"),
         QStringLiteral("The parameters read back from the device differ from those applied: "
                        "semantics: requested true, read back field missing")},
        {QStringLiteral("数据流已停止；相机已断开，句柄已释放"),
         QStringLiteral("Stream stopped；Camera disconnected, handle released")},
        {QStringLiteral("12:00 something else"), QStringLiteral("12:00 something else")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(manager->localizeMessage(c.text), c.expected) << c.text.toStdString();
    }
    manager->setSessionLanguage(QStringLiteral("zh-CN"));
    // The validator's English source has a Chinese display text.
    EXPECT_EQ(manager->translate(QStringLiteral("must be greater than zero")), QStringLiteral("必须大于 0"));
}

TEST(LanguageManager, QtOwnTextsFollowTheLanguage) {
    const auto manager = makeManager(QStringLiteral("zh-CN"));
    struct Case {
        const char* code;
        const char* cancel;
    };
    // The workstation's own table stands in where Qt ships no catalogue.
    const Case cases[] = {{"ja-JP", "キャンセル"}, {"en-US", "Cancel"}, {"zh-CN", "取消"}};
    for (const Case& c : cases) {
        manager->setSessionLanguage(QString::fromLatin1(c.code));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QString::fromUtf8(c.cancel))
            << c.code << " from " << manager->qtTranslationOrigin().toStdString();
    }
}

TEST(LanguageManager, WindowsAreTranslatedAsTheyAreShown) {
    const auto manager = makeManager(QStringLiteral("en-US"));
    QDialog dialog;
    auto* label = new QLabel(QStringLiteral("请输入管理员密码"), &dialog);
    QString shownText;
    QTimer::singleShot(0, &dialog, [&] {
        shownText = label->text();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(shownText, QStringLiteral("Enter the administrator password"));
}

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

// One i18n folder walks the table format, the index, the name order and the
// files that add nothing.
TEST(TranslationFileLoader, FolderReadsItsIndexThenItsTableFilesInNameOrder) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("i18n"));
    writeFile(folder + QStringLiteral("/languages.json"), R"({
        "fallback": "zh-CN", "current": "de-DE", "source_language": "zh-CN",
        "languages": [{"code": "de-DE", "name": "German", "nativeName": "Deutsch"}, {"code": "fr-FR"}, {"name": "no code"}]
    })");
    writeFile(folder + QStringLiteral("/a.json"), R"({"source_texts": {"连接相机": {"de-DE": "Kamera, a", "ja-JP": "カメラ接続"}}})");
    writeFile(folder + QStringLiteral("/b.json"), R"({
        "source_language": "zh-CN",
        "texts": {
            "connect": {"source": "连接相机", "de-DE": "Kamera verbinden"},
            "disconnect": {"zh-CN": "断开相机", "en-US": "Disconnect camera", "ja-JP": ""}
        }
    })");
    writeFile(folder + QStringLiteral("/c.template.json"), R"({"source_texts": {"连接相机": {"de-DE": "TEMPLATE"}}})");
    writeFile(folder + QStringLiteral("/d-array.json"), R"(["not", "an", "object"])");
    writeFile(folder + QStringLiteral("/e-broken.json"), R"({"source_texts": )");
    TranslationCatalog catalog;
    TranslationFileLoader loader(catalog);
    for (const char* name : {"missing.json", "d-array.json", "e-broken.json"}) {
        EXPECT_FALSE(loader.readTableFile(folder + QLatin1Char('/') + QLatin1String(name))) << name;
    }
    EXPECT_TRUE(catalog.bySource().isEmpty());

    loader.readFolder(folder);
    EXPECT_EQ(loader.indexedCurrentLanguage(), QStringLiteral("de-DE"));
    ASSERT_EQ(catalog.languages().size(), 2);
    EXPECT_EQ(catalog.languages().at(0).nativeName, QStringLiteral("Deutsch"));
    EXPECT_EQ(catalog.languages().at(1).name, QStringLiteral("fr-FR"));
    // b.json overwrote a.json where both translate; the ".template." file was not read.
    EXPECT_EQ(text(catalog, QStringLiteral("连接相机"), QStringLiteral("de-DE")), QStringLiteral("Kamera verbinden"));
    EXPECT_EQ(text(catalog, QStringLiteral("连接相机"), QStringLiteral("ja-JP")), QStringLiteral("カメラ接続"));
    // Without "source" the file's source-language member is the source; an empty text is none.
    EXPECT_EQ(text(catalog, QStringLiteral("断开相机"), QStringLiteral("en-US")), QStringLiteral("Disconnect camera"));
    EXPECT_EQ(text(catalog, QStringLiteral("断开相机"), QStringLiteral("ja-JP")), QStringLiteral("<none>"));
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
}

}  // namespace
}  // namespace hazard_desk
