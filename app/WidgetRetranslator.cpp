#include "WidgetRetranslator.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBox>
#include <QToolButton>
#include <QTreeWidget>
#include <QVariant>

namespace hazard_desk {
namespace {

struct Kind {
    const char* original;
    const char* last;
};

constexpr Kind kText{"_vq8_i18n_original_text", "_vq8_i18n_last_text"};
constexpr Kind kTitle{"_vq8_i18n_original_title", "_vq8_i18n_last_title"};
constexpr Kind kPlaceholder{"_vq8_i18n_original_placeholder", "_vq8_i18n_last_placeholder"};
constexpr Kind kWindowTitle{"_vq8_i18n_original_window_title", "_vq8_i18n_last_window_title"};
constexpr Kind kComboItems{"_vq8_i18n_original_combo_items", "_vq8_i18n_last_combo_items"};
constexpr Kind kTabText{"_vq8_i18n_original_tab_text", "_vq8_i18n_last_tab_text"};
constexpr Kind kToolTip{"_vq8_i18n_original_tooltip", "_vq8_i18n_last_tooltip"};
constexpr Kind kAccessibleName{"_vq8_i18n_original_accessible_name", "_vq8_i18n_last_accessible_name"};
constexpr Kind kAccessibleDescription{"_vq8_i18n_original_accessible_description",
                                      "_vq8_i18n_last_accessible_description"};
constexpr Kind kStatusTip{"_vq8_i18n_original_status_tip", "_vq8_i18n_last_status_tip"};
constexpr Kind kWhatsThis{"_vq8_i18n_original_whats_this", "_vq8_i18n_last_whats_this"};
constexpr Kind kPrefix{"_vq8_i18n_original_prefix", "_vq8_i18n_last_prefix"};
constexpr Kind kSuffix{"_vq8_i18n_original_suffix", "_vq8_i18n_last_suffix"};
constexpr Kind kFormat{"_vq8_i18n_original_format", "_vq8_i18n_last_format"};
constexpr Kind kPlainText{"_vq8_i18n_original_plain_text", "_vq8_i18n_last_plain_text"};
constexpr Kind kItemText{"_vq8_i18n_original_item_text", "_vq8_i18n_last_item_text"};
constexpr Kind kHeaderText{"_vq8_i18n_original_header_text", "_vq8_i18n_last_header_text"};

bool ignored(const QObject* object) {
    return object->property("vq8_i18n_ignore").toBool();
}

// An empty text has nothing to translate; skipping it spares the snapshot
// writes on the many widgets that carry no text at all.
template <typename Setter>
void rewriteScalar(QObject* object, const Kind& kind, const QString& current,
                   const WidgetRetranslator::Translate& translate, Setter&& set) {
    if (current.isEmpty()) {
        return;
    }
    const QVariant last = object->property(kind.last);
    QString source;
    bool fromSnapshot = false;
    if (last.isValid() && last.toString() == current) {
        const QVariant original = object->property(kind.original);
        if (original.isValid()) {
            source = original.toString();
            fromSnapshot = true;
        }
    }
    if (!fromSnapshot) {
        source = current;
        object->setProperty(kind.original, source);
    }
    const QString translated = translate(source);
    if (!last.isValid() || last.toString() != translated) {
        object->setProperty(kind.last, translated);
    }
    if (translated != current) {
        set(translated);
    }
}

template <typename Setter>
void rewriteList(QObject* object, const Kind& kind, const QStringList& current,
                 const WidgetRetranslator::Translate& translate, Setter&& set) {
    if (current.isEmpty()) {
        return;
    }
    const QVariant lastValue = object->property(kind.last);
    const QVariant originalValue = object->property(kind.original);
    const bool both = lastValue.isValid() && originalValue.isValid();
    const QStringList last = lastValue.toStringList();
    const QStringList original = originalValue.toStringList();
    QStringList sources;
    QStringList translated;
    sources.reserve(current.size());
    translated.reserve(current.size());
    for (int i = 0; i < current.size(); ++i) {
        const bool keep = both && i < last.size() && i < original.size() && current.at(i) == last.at(i);
        sources << (keep ? original.at(i) : current.at(i));
        translated << (sources.at(i).isEmpty() ? sources.at(i) : translate(sources.at(i)));
    }
    if (!both || sources != original) {
        object->setProperty(kind.original, sources);
    }
    if (!both || translated != last) {
        object->setProperty(kind.last, translated);
    }
    for (int i = 0; i < current.size(); ++i) {
        if (translated.at(i) != current.at(i)) {
            set(i, translated.at(i));
        }
    }
}

void collectTreeItems(QTreeWidgetItem* item, QList<QTreeWidgetItem*>& items) {
    items << item;
    for (int i = 0; i < item->childCount(); ++i) {
        collectTreeItems(item->child(i), items);
    }
}

}  // namespace

void WidgetRetranslator::retranslate(QWidget* root) {
    if (root == nullptr || !translate_) {
        return;
    }
    seenActions_.clear();
    visit(root);
    seenActions_.clear();
}

void WidgetRetranslator::visit(QWidget* widget) {
    if (!ignored(widget)) {
        rewriteWidget(widget);
        rewriteItemViews(widget);
    }
    rewriteActions(widget);
    for (QObject* child : widget->children()) {
        if (child->isWidgetType()) {
            visit(static_cast<QWidget*>(child));
        }
    }
}

void WidgetRetranslator::rewriteWidget(QWidget* w) {
    const Translate& t = translate_;
    rewriteScalar(w, kAccessibleName, w->accessibleName(), t, [w](const QString& s) { w->setAccessibleName(s); });
    rewriteScalar(w, kAccessibleDescription, w->accessibleDescription(), t,
                  [w](const QString& s) { w->setAccessibleDescription(s); });
    rewriteScalar(w, kToolTip, w->toolTip(), t, [w](const QString& s) { w->setToolTip(s); });
    rewriteScalar(w, kWindowTitle, w->windowTitle(), t, [w](const QString& s) { w->setWindowTitle(s); });

    if (auto* label = qobject_cast<QLabel*>(w)) {
        rewriteScalar(w, kText, label->text(), t, [label](const QString& s) { label->setText(s); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        rewriteScalar(w, kText, button->text(), t, [button](const QString& s) { button->setText(s); });
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        rewriteScalar(w, kTitle, group->title(), t, [group](const QString& s) { group->setTitle(s); });
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        rewriteScalar(w, kPlaceholder, line->placeholderText(), t,
                      [line](const QString& s) { line->setPlaceholderText(s); });
    } else if (auto* text = qobject_cast<QTextEdit*>(w)) {
        rewriteScalar(w, kPlaceholder, text->placeholderText(), t,
                      [text](const QString& s) { text->setPlaceholderText(s); });
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        rewriteScalar(w, kPlaceholder, plain->placeholderText(), t,
                      [plain](const QString& s) { plain->setPlaceholderText(s); });
        if (plain->isReadOnly()) {
            rewriteScalar(w, kPlainText, plain->toPlainText(), t, [plain](const QString& s) { plain->setPlainText(s); });
        }
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        rewriteScalar(w, kPrefix, spin->prefix(), t, [spin](const QString& s) { spin->setPrefix(s); });
        rewriteScalar(w, kSuffix, spin->suffix(), t, [spin](const QString& s) { spin->setSuffix(s); });
    } else if (auto* doubleSpin = qobject_cast<QDoubleSpinBox*>(w)) {
        rewriteScalar(w, kPrefix, doubleSpin->prefix(), t, [doubleSpin](const QString& s) { doubleSpin->setPrefix(s); });
        rewriteScalar(w, kSuffix, doubleSpin->suffix(), t, [doubleSpin](const QString& s) { doubleSpin->setSuffix(s); });
    } else if (auto* progress = qobject_cast<QProgressBar*>(w)) {
        rewriteScalar(w, kFormat, progress->format(), t, [progress](const QString& s) { progress->setFormat(s); });
    }
}

void WidgetRetranslator::rewriteItemViews(QWidget* w) {
    const Translate& t = translate_;
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            items << combo->itemText(i);
        }
        rewriteList(w, kComboItems, items, t, [combo](int i, const QString& s) { combo->setItemText(i, s); });
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        QStringList items;
        for (int i = 0; i < tabs->count(); ++i) {
            items << tabs->tabText(i);
        }
        rewriteList(w, kTabText, items, t, [tabs](int i, const QString& s) { tabs->setTabText(i, s); });
    } else if (auto* box = qobject_cast<QToolBox*>(w)) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i) {
            items << box->itemText(i);
        }
        rewriteList(w, kItemText, items, t, [box](int i, const QString& s) { box->setItemText(i, s); });
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i) {
            items << list->item(i)->text();
        }
        rewriteList(w, kItemText, items, t, [list](int i, const QString& s) { list->item(i)->setText(s); });
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        // Headers: the horizontal ones, then the vertical ones, as one list.
        QList<QTableWidgetItem*> headers;
        for (int c = 0; c < table->columnCount(); ++c) {
            headers << table->horizontalHeaderItem(c);
        }
        for (int r = 0; r < table->rowCount(); ++r) {
            headers << table->verticalHeaderItem(r);
        }
        QList<QTableWidgetItem*> cells;
        for (int r = 0; r < table->rowCount(); ++r) {
            for (int c = 0; c < table->columnCount(); ++c) {
                cells << table->item(r, c);
            }
        }
        const auto rewriteItems = [w, &t](const Kind& kind, const QList<QTableWidgetItem*>& items) {
            QStringList texts;
            for (QTableWidgetItem* item : items) {
                texts << (item != nullptr ? item->text() : QString());
            }
            rewriteList(w, kind, texts, t, [&items](int i, const QString& s) {
                if (items.at(i) != nullptr) {
                    items.at(i)->setText(s);
                }
            });
        };
        rewriteItems(kHeaderText, headers);
        rewriteItems(kItemText, cells);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        const int columns = tree->columnCount();
        QTreeWidgetItem* header = tree->headerItem();
        QStringList headerTexts;
        for (int c = 0; header != nullptr && c < columns; ++c) {
            headerTexts << header->text(c);
        }
        rewriteList(w, kHeaderText, headerTexts, t, [header](int c, const QString& s) { header->setText(c, s); });
        QList<QTreeWidgetItem*> items;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            collectTreeItems(tree->topLevelItem(i), items);
        }
        QStringList texts;
        for (QTreeWidgetItem* item : items) {
            for (int c = 0; c < columns; ++c) {
                texts << item->text(c);
            }
        }
        rewriteList(w, kItemText, texts, t,
                    [&items, columns](int i, const QString& s) { items.at(i / columns)->setText(i % columns, s); });
    }
}

void WidgetRetranslator::rewriteActions(QWidget* widget) {
    for (QAction* action : widget->actions()) {
        rewriteAction(action);
        if (action->menu() != nullptr) {
            rewriteMenu(action->menu());
        }
    }
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        rewriteMenu(menu);
    } else if (auto* push = qobject_cast<QPushButton*>(widget); push != nullptr && push->menu() != nullptr) {
        rewriteMenu(push->menu());
    } else if (auto* tool = qobject_cast<QToolButton*>(widget); tool != nullptr && tool->menu() != nullptr) {
        rewriteMenu(tool->menu());
    }
}

void WidgetRetranslator::rewriteMenu(QMenu* menu) {
    if (seenActions_.contains(menu->menuAction())) {
        return;
    }
    rewriteAction(menu->menuAction());
    for (QAction* action : menu->actions()) {
        rewriteAction(action);
        if (action->menu() != nullptr) {
            rewriteMenu(action->menu());
        }
    }
}

void WidgetRetranslator::rewriteAction(QAction* a) {
    if (seenActions_.contains(a)) {
        return;
    }
    seenActions_.insert(a);
    if (ignored(a)) {
        return;
    }
    const Translate& t = translate_;
    rewriteScalar(a, kText, a->text(), t, [a](const QString& s) { a->setText(s); });
    rewriteScalar(a, kToolTip, a->toolTip(), t, [a](const QString& s) { a->setToolTip(s); });
    rewriteScalar(a, kStatusTip, a->statusTip(), t, [a](const QString& s) { a->setStatusTip(s); });
    rewriteScalar(a, kWhatsThis, a->whatsThis(), t, [a](const QString& s) { a->setWhatsThis(s); });
}

}  // namespace hazard_desk
