#include "ApplyConfirmationDialog.h"

#include "LanguageManager.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hazard_desk {
namespace {

constexpr int kMinimumWidth = 640;
constexpr int kTableMinimumHeight = 220;

QPushButton* addButton(QDialogButtonBox* box, const char* name, const QString& text, QDialogButtonBox::ButtonRole role) {
    QPushButton* button = box->addButton(text, role);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(text);
    return button;
}

}  // namespace

ApplyConfirmationDialog::ApplyConfirmationDialog(const std::optional<FieldDifferenceList>& differences, QWidget* parent)
    : QDialog(parent), unchanged_(differences.has_value() && differences->empty()) {
    setObjectName(QStringLiteral("applyConfirmationDialog"));
    setWindowTitle(translate(QStringLiteral("确认下发")));
    setMinimumWidth(kMinimumWidth);
    auto* layout = new QVBoxLayout(this);

    QString summary;
    if (!differences) {
        summary = QStringLiteral("未获取相机当前运行的配置，无法列出下发将改变的字段。");
    } else if (unchanged_) {
        summary = QStringLiteral("草稿与相机当前运行的配置一致，无需下发。");
    } else {
        summary = QStringLiteral("下发将改变以下 %1 项：").arg(differences->size());
    }
    auto* summaryLabel = new QLabel(translate(summary), this);
    summaryLabel->setObjectName(QStringLiteral("applySummaryLabel"));
    summaryLabel->setWordWrap(true);
    layout->addWidget(summaryLabel);
    if (differences && !unchanged_) {
        layout->addWidget(differenceTable(*differences), 1);
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("applyConfirmationButtons"));
    if (unchanged_) {
        addButton(buttons, "closeConfirmationButton", translate(QStringLiteral("关闭")), QDialogButtonBox::RejectRole);
    } else {
        const QString skip = translate(QStringLiteral("不再提示"));
        dontAskAgain_ = new QCheckBox(skip, this);
        dontAskAgain_->setObjectName(QStringLiteral("dontAskAgainCheck"));
        dontAskAgain_->setAccessibleName(skip);
        layout->addWidget(dontAskAgain_);
        addButton(buttons, "confirmApplyButton", translate(QStringLiteral("下发")), QDialogButtonBox::AcceptRole)
            ->setDefault(true);
        addButton(buttons, "cancelApplyButton", translate(QStringLiteral("取消")), QDialogButtonBox::RejectRole);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool ApplyConfirmationDialog::dontAskAgain() const {
    return dontAskAgain_ != nullptr && dontAskAgain_->isChecked();
}

QString ApplyConfirmationDialog::valueText(const std::optional<nlohmann::json>& value) {
    return value ? QString::fromStdString(compactJson(*value))
                 : LanguageManager::instance().localizeMessage(QStringLiteral("（无）"));
}

QString ApplyConfirmationDialog::translate(const QString& text) const {
    return LanguageManager::instance().localizeMessage(text);
}

QTableWidget* ApplyConfirmationDialog::differenceTable(const FieldDifferenceList& differences) {
    const QStringList headers{translate(QStringLiteral("字段")), translate(QStringLiteral("相机当前")),
                              translate(QStringLiteral("下发后"))};
    auto* table = new QTableWidget(static_cast<int>(differences.size()), headers.size(), this);
    table->setObjectName(QStringLiteral("applyDifferenceTable"));
    table->setAccessibleName(translate(QStringLiteral("下发将改变的字段")));
    // Paths and values are the camera's own keys and JSON: never translated.
    table->setProperty("vq8_i18n_ignore", true);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(true);
    table->setMinimumHeight(kTableMinimumHeight);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    int row = 0;
    for (const FieldDifference& difference : differences) {
        const QString cells[] = {QString::fromStdString(difference.path), valueText(difference.actual),
                                 valueText(difference.requested)};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            table->setItem(row, column, item);
        }
        ++row;
    }
    table->resizeRowsToContents();
    return table;
}

}  // namespace hazard_desk
