#pragma once
// Rewrites the visible texts of a widget tree through a translate function.
// Each translated attribute keeps two snapshots as dynamic properties on its
// object: "_vq8_i18n_original_<kind>" (the source text) and
// "_vq8_i18n_last_<kind>" (the text written last). A current text equal to
// the last snapshot is translated again from the original; any other text is
// a new source set by the application. Objects whose property
// "vq8_i18n_ignore" is true are left alone (their children are not).
// GUI thread only.
#include <QSet>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace hazard_desk {

class WidgetRetranslator {
public:
    using Translate = std::function<QString(const QString&)>;

    explicit WidgetRetranslator(Translate translate) : translate_(std::move(translate)) {}

    void retranslate(QWidget* root);

private:
    void visit(QWidget* widget);
    void rewriteWidget(QWidget* widget);
    void rewriteItemViews(QWidget* widget);
    void rewriteActions(QWidget* widget);
    void rewriteMenu(QMenu* menu);
    void rewriteAction(QAction* action);

    Translate translate_;
    QSet<QAction*> seenActions_;
};

}  // namespace hazard_desk
