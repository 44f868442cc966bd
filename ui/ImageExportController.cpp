#include "ImageExportController.h"

#include "LanguageManager.h"

#include "ImageExportRequest.h"
#include "ImageExportRunner.h"
#include "RootPassword.h"
#include "SshToolExtraction.h"

#include <QDir>
#include <QFileDialog>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>

namespace hazard_desk {

ImageExportController::ImageExportController(WindowState& state, QWidget& window, QObject* parent)
    : QObject(parent), state_(state), window_(window), runner_(new ImageExportRunner(this)) {
    chooseFolder_ = [this](QWidget* owner) {
        return QFileDialog::getExistingDirectory(owner, translate(QStringLiteral("选择存图导出目录")), QString(),
                                                 QFileDialog::ShowDirsOnly);
    };
    readPassword_ = [](QString* error) { return readRootPassword(error); };
    connect(runner_, &ImageExportRunner::progressChanged, this, &ImageExportController::onProgressChanged);
    connect(runner_, &ImageExportRunner::finished, this, &ImageExportController::onFinished);
}

ImageExportController::~ImageExportController() {
    cancelAndWait();
}

bool ImageExportController::running() const {
    return runner_->running();
}

QProgressDialog* ImageExportController::progressDialog() const {
    return progress_.data();
}

QString ImageExportController::translate(const QString& text) const {
    return LanguageManager::instance().localizeMessage(text);
}

void ImageExportController::refuse(const QString& text, const QString& tooltip) {
    emit feedbackRequested(text, true, tooltip);
}

void ImageExportController::requestExport() {
    if (state_.isBusy() || running()) {
        return;
    }
    if (!state_.adminMode) {
        refuse(QStringLiteral("导出存图需要管理员权限"));
        return;
    }
    if (!state_.connected) {
        refuse(QStringLiteral("请先连接相机"));
        return;
    }
    const QString ip = state_.connectedDescriptor.value(QStringLiteral("ip")).toString().trimmed();
    if (ip.isEmpty()) {
        refuse(QStringLiteral("当前相机没有可用 IP"));
        return;
    }
    QString reason;
    if (!sshExportAvailable(&reason)) {
        refuse(QStringLiteral("SSH 导出不可用：%1").arg(reason));
        return;
    }
    const QString folder = chooseFolder_(&window_);
    if (folder.isEmpty()) {
        return;
    }
    // The dialog ran an event loop of its own: the camera may be gone, or
    // another command under way.
    if (state_.isBusy() || !state_.connected ||
        state_.connectedDescriptor.value(QStringLiteral("ip")).toString().trimmed() != ip) {
        return;
    }
    QString passwordError;
    const QString password = readPassword_(&passwordError);
    if (password.isEmpty()) {
        // A store that could not be used says why (its owner or mode, say).
        if (!passwordError.isEmpty()) {
            emit logRequested(2, passwordError);
        }
        refuse(QStringLiteral("没有可用的 root SSH 密码"), passwordError);
        return;
    }

    ImageExportRequest request;
    request.target.host = ip;
    request.target.port = kSshPort;
    request.target.user = QString::fromLatin1(kSshUser);
    request.target.password = password;
    request.localDir = QDir::toNativeSeparators(folder);
    // The dialog first: showing it may set up the GUI's accessibility bus, and
    // a plink started at that moment was seen to hold that set-up until it ended.
    cancelling_ = false;
    showProgressDialog();
    if (!runner_->start(request)) {
        closeProgressDialog();
        return;
    }
    state_.busy.imageExportBusy = true;
    emit commandStatesChanged();
    emit feedbackRequested(QStringLiteral("正在导出设备存图"), false, QString());
}

void ImageExportController::showProgressDialog() {
    closeProgressDialog();
    progress_ = new QProgressDialog(&window_);
    progress_->setObjectName(QStringLiteral("imageExportProgressDialog"));
    // The window stays usable to watch the camera; its commands wait (busy).
    progress_->setWindowModality(Qt::NonModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setRange(0, 100);
    auto* bar = new QProgressBar(progress_);
    bar->setObjectName(QStringLiteral("imageExportProgressBar"));
    progress_->setBar(bar);
    auto* cancel = new QPushButton(progress_);
    cancel->setObjectName(QStringLiteral("imageExportCancelButton"));
    progress_->setCancelButton(cancel);
    // "取消" (or closing the dialog) asks the export to stop; the dialog
    // stays with its progress until the export has ended.
    // (QProgressDialog connects the two by name, so only a disconnect by name undoes it.)
    disconnect(progress_, SIGNAL(canceled()), progress_, SLOT(cancel()));
    connect(progress_, &QProgressDialog::canceled, this, [this] {
        if (running() && !cancelling_) {
            cancelling_ = true;
            runner_->cancel();
            emit logRequested(1, QStringLiteral("正在取消设备存图导出"));
            showProgressText();
        }
    });
    progressTitle_ = QStringLiteral("导出存图");
    progressDetail_ = QStringLiteral("正在导出设备存图");
    progress_->setValue(0);
    showProgressText();
    progress_->show();
}

void ImageExportController::showProgressText() {
    if (!progress_) {
        return;
    }
    progress_->setWindowTitle(translate(QStringLiteral("导出存图")));
    const QString cancelText = translate(cancelling_ ? QStringLiteral("正在取消…") : QStringLiteral("取消"));
    if (auto* cancel = progress_->findChild<QPushButton*>(QStringLiteral("imageExportCancelButton"))) {
        cancel->setText(cancelText);
        cancel->setAccessibleName(cancelText);
        cancel->setEnabled(!cancelling_);
    }
    const QString title = translate(progressTitle_);
    progress_->setLabelText(title + QLatin1Char('\n') + translate(progressDetail_));
    if (auto* bar = progress_->findChild<QProgressBar*>(QStringLiteral("imageExportProgressBar"))) {
        bar->setAccessibleName(title);
    }
}

void ImageExportController::closeProgressDialog() {
    if (progress_) {
        progress_->disconnect(this);
        progress_->hide();
        progress_->deleteLater();
    }
    progress_.clear();
}

void ImageExportController::onProgressChanged(int percent, const QString& title, const QString& detail) {
    progressTitle_ = title;
    progressDetail_ = detail;
    if (progress_) {
        progress_->setValue(qBound(0, percent, 100));
        showProgressText();
    }
}

void ImageExportController::onFinished(int outcome, const QString& error, const QString& localDir) {
    closeProgressDialog();
    state_.busy.imageExportBusy = false;
    cancelling_ = false;
    emit commandStatesChanged();
    if (outcome == kImageExportSucceeded) {
        emit feedbackRequested(QStringLiteral("设备存图导出完成：%1（设备目录已清空）").arg(localDir), false, QString());
        emit logRequested(0, QStringLiteral("设备存图导出完成：%1").arg(localDir));
    } else if (outcome == kImageExportCancelled) {
        emit feedbackRequested(QStringLiteral("设备存图导出已取消"), false, QString());
        emit logRequested(1, QStringLiteral("设备存图导出已取消"));
    } else {
        const QString text = QStringLiteral("设备存图导出失败：%1").arg(error);
        emit feedbackRequested(text, true, QString());
        emit logRequested(2, text);
    }
}

void ImageExportController::cancelAndWait() {
    runner_->cancelAndWait();
}

void ImageExportController::retranslate() {
    showProgressText();
}

}  // namespace hazard_desk
