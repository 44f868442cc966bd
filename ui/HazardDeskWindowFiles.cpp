// HazardDeskWindow: the buttons of the file operations. The operations
// themselves are FileExchangeController's; the window hands it the frame as
// shown and keeps import to the idle window, as every command that replaces
// the draft.
#include "HazardDeskWindow.h"

#include "CommandBar.h"
#include "FileExchangeController.h"
#include "ParameterPanel.h"
#include "StatusPanel.h"

#include <QPushButton>

namespace hazard_desk {

void HazardDeskWindow::wireFileExchange() {
    fileExchange_ = new FileExchangeController(*this, *editor_, *parameterPanel_, *statusPanel_->runtimeLogList(), this);
    connect(fileExchange_, &FileExchangeController::logRequested, this, &HazardDeskWindow::appendLog);
    connect(commandBar_->exportFrameButton(), &QPushButton::clicked, this, [this] {
        const QImage& depth = shownDepth_.isNull() ? lastDepth_ : shownDepth_;
        fileExchange_->exportCurrentFrame(ShownFrame{lastRgb_, depth, lastAmplitude_, lastCloud_});
    });
    connect(parameterPanel_->exportJsonButton(), &QPushButton::clicked, fileExchange_,
            &FileExchangeController::exportConfiguration);
    connect(parameterPanel_->importJsonButton(), &QPushButton::clicked, this, [this] {
        if (!isBusy()) {
            fileExchange_->importConfiguration();
        }
    });
    connect(statusPanel_->exportLogButton(), &QPushButton::clicked, fileExchange_,
            &FileExchangeController::exportRuntimeLog);
}

}  // namespace hazard_desk
