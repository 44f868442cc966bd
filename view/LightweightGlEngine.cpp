#include "LightweightGlEngine.h"

#include "PointCloudToolbar.h"
#include "ThreadName.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPointer>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>
#include <QtDebug>

#include <algorithm>
#include <chrono>

namespace hazard_desk {
namespace {

Q_LOGGING_CATEGORY(cloudEngineLog, "hazard.view.cloud", QtWarningMsg)

constexpr int kMinimumWidth = 240;
constexpr int kMinimumHeight = 180;
constexpr int kLabelMargin = 6;
constexpr int kToolbarMargin = 7;
constexpr double kMinSceneRadius = 0.001;
constexpr double kAxesScaleOfRadius = 0.2;
constexpr double kBytesPerMegabyte = 1048576.0;

Eigen::Vector3d toEigen(const CloudEngineInterface::Vector3& v) { return {v[0], v[1], v[2]}; }

}  // namespace

LightweightGlEngine::LightweightGlEngine(QWidget* parent) : QOpenGLWidget(parent) {
    QSurfaceFormat surfaceFormat;
    surfaceFormat.setRenderableType(QSurfaceFormat::OpenGL);
    surfaceFormat.setVersion(2, 1);
    surfaceFormat.setProfile(QSurfaceFormat::NoProfile);
    surfaceFormat.setDepthBufferSize(24);
    setFormat(surfaceFormat);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(QStringLiteral("一键视角：[ 主视 / ] 后视 / ; 左视 / ' 右视 / , 俯视 / . 仰视 / R 复位适配\n"
                              "鼠标：左键旋转 · 中键或 Shift+左键 平移 · 右键或 Ctrl+左键 推拉 · 滚轮缩放"));

    statisticsLabel_ = new QLabel(this);
    statisticsLabel_->setStyleSheet(
        QStringLiteral("color:#d7dee8;background:rgba(20,22,27,160);padding:2px 6px;"));
    statisticsLabel_->move(kLabelMargin, kLabelMargin);
    statisticsLabel_->hide();

    toolbar_ = new PointCloudToolbar(this);
    connect(toolbar_, &PointCloudToolbar::frontRequested, this, [this] { showStandardView(StandardView::Front, false); });
    connect(toolbar_, &PointCloudToolbar::sideRequested, this, [this] { showStandardView(StandardView::Left, false); });
    connect(toolbar_, &PointCloudToolbar::topRequested, this, [this] { showStandardView(StandardView::Top, false); });
    connect(toolbar_, &PointCloudToolbar::resetRequested, this, [this] { requestFit(); });
    toolbar_->adjustSize();
    toolbar_->raise();
    placeToolbar();

    statisticsTimer_.start();
    buildThread_ = std::thread([this] { buildLoop(); });
}

LightweightGlEngine::~LightweightGlEngine() {
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        stopRequested_ = true;
    }
    pendingCondition_.notify_all();
    if (buildThread_.joinable()) {
        buildThread_.join();
    }
    if (context() != nullptr) {
        makeCurrent();
        std::lock_guard<std::mutex> lock(readyMutex_);
        for (auto& entry : built_) {
            if (entry.second.buffer != 0) {
                buffersToDelete_.push_back(entry.second.buffer);
            }
        }
        renderer_.deleteBuffers(buffersToDelete_);
        renderer_.releaseResources();
        doneCurrent();
    }
}

// ---- Interface operations (GUI thread) ----

void LightweightGlEngine::requestFit() {
    fitPending_ = true;
    update();
}

void LightweightGlEngine::commitRemovals() {
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        for (const auto& removal : pendingRemovals_) {
            removedGeneration_[removal.first] = removal.second;
            removeBuiltLocked(removal.first);
        }
        pendingRemovals_.clear();
    }
    update();
}

std::vector<std::string> LightweightGlEngine::cloudIds() const {
    std::lock_guard<std::mutex> lock(readyMutex_);
    std::vector<std::string> ids;
    ids.reserve(built_.size());
    for (const auto& entry : built_) {
        ids.push_back(entry.first);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

void LightweightGlEngine::updateCloud(const corVane::ColorCloudPtr& cloud, const std::string& name) {
    if (!cloud || cloud->points.empty() || name.empty()) {
        return;
    }
    lastCloud_ = cloud;
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        generation = ++generationCounter_;
        pendingRemovals_.erase(name);
    }
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        auto found = pending_.find(name);
        if (found == pending_.end()) {
            pending_.emplace(name, PendingCloud{cloud, generation});
            pendingOrder_.push_back(name);
        } else {
            found->second = PendingCloud{cloud, generation};
            merged_.fetch_add(1);
        }
    }
    pendingCondition_.notify_one();
    update();
}

void LightweightGlEngine::clearClouds() {
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        clearedGeneration_ = ++generationCounter_;
        pendingRemovals_.clear();
        removedGeneration_.clear();
        for (const auto& entry : built_) {
            if (entry.second.buffer != 0) {
                buffersToDelete_.push_back(entry.second.buffer);
            }
        }
        built_.clear();
    }
    update();
}

void LightweightGlEngine::removeCloud(const std::string& name, bool immediate) {
    if (name.empty()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        const std::uint64_t generation = ++generationCounter_;
        if (!immediate) {
            pendingRemovals_[name] = generation;
            return;
        }
        removedGeneration_[name] = generation;
        pendingRemovals_.erase(name);
        removeBuiltLocked(name);
    }
    update();
}

void LightweightGlEngine::removeBuiltLocked(const std::string& name) {
    auto found = built_.find(name);
    if (found == built_.end()) {
        return;
    }
    if (found->second.buffer != 0) {
        buffersToDelete_.push_back(found->second.buffer);
    }
    built_.erase(found);
}

void LightweightGlEngine::setStatusText(const QString& text) {
    if (text.isEmpty()) {
        statisticsLabel_->hide();
        return;
    }
    statisticsLabel_->setText(text);
    statisticsLabel_->adjustSize();
    statisticsLabel_->show();
    statisticsLabel_->raise();
}

void LightweightGlEngine::setStatisticsCallback(StatisticsCallback callback) {
    statisticsCallback_ = std::move(callback);
}

int LightweightGlEngine::sceneBounds(float minimum[3], float maximum[3]) const {
    for (int axis = 0; axis < 3; ++axis) {
        minimum[axis] = 0.0f;
        maximum[axis] = 0.0f;
    }
    return 0;
}

void LightweightGlEngine::setCameraPose(const std::optional<Vector3>& eye, const std::optional<Vector3>& up,
                                        const std::optional<Vector3>& target) {
    if (eye) {
        camera_.eye = toEigen(*eye);
    }
    if (up) {
        camera_.up = toEigen(*up);
    }
    if (target) {
        camera_.target = toEigen(*target);
    }
    camera_.reorthogonaliseUp();
    fitPending_ = false;
    update();
}

void LightweightGlEngine::setThinningCell(int cell) { thinningCell_.store(cell); }

void LightweightGlEngine::setPointSize(float size) {
    pointSize_ = std::max(kMinPointSize, std::min(size, kMaxPointSize));
    update();
}

// ---- View settings ----

Eigen::Vector3d LightweightGlEngine::frontDirection() const {
    return xForward_ ? Eigen::Vector3d(1.0, 0.0, 0.0) : Eigen::Vector3d(0.0, 1.0, 0.0);
}

Eigen::Vector3d LightweightGlEngine::sideDirection() const {
    return xForward_ ? Eigen::Vector3d(0.0, 1.0, 0.0) : Eigen::Vector3d(1.0, 0.0, 0.0);
}

void LightweightGlEngine::setXForward(bool xForward) {
    if (xForward == xForward_) {
        return;
    }
    xForward_ = xForward;
    camera_.viewAlong(frontDirection(), Eigen::Vector3d(0.0, 0.0, 1.0), sceneRadius_);
    fitPending_ = true;
    firstFit_ = true;
    update();
}

void LightweightGlEngine::showSideView() {
    refreshSceneFromBounds(nullptr);
    camera_.viewAlong(sideDirection(), Eigen::Vector3d(0.0, 0.0, 1.0), sceneRadius_);
    firstFit_ = false;
    update();
}

void LightweightGlEngine::showStandardView(StandardView view, bool withLabel) {
    const Eigen::Vector3d front = frontDirection();
    const Eigen::Vector3d side = sideDirection();
    const Eigen::Vector3d upZ(0.0, 0.0, 1.0);
    const Eigen::Vector3d upY(0.0, 1.0, 0.0);
    const QString forward = xForward_ ? QStringLiteral("X") : QStringLiteral("Y");
    const QString sideways = xForward_ ? QStringLiteral("Y") : QStringLiteral("X");
    Eigen::Vector3d direction;
    Eigen::Vector3d up = upZ;
    QString label;
    switch (view) {
        case StandardView::Front:
            direction = front;
            label = QStringLiteral("主视 Front (+%1)").arg(forward);
            break;
        case StandardView::Back:
            direction = -front;
            label = QStringLiteral("后视 Back (-%1)").arg(forward);
            break;
        case StandardView::Left:
            direction = side;
            label = QStringLiteral("左视 Left (+%1)").arg(sideways);
            break;
        case StandardView::Right:
            direction = -side;
            label = QStringLiteral("右视 Right (-%1)").arg(sideways);
            break;
        case StandardView::Top:
            direction = Eigen::Vector3d(0.0, 0.0, -1.0);
            up = upY;
            label = QStringLiteral("俯视 Top (-Z)");
            break;
        case StandardView::Bottom:
            direction = Eigen::Vector3d(0.0, 0.0, 1.0);
            up = upY;
            label = QStringLiteral("仰视 Bottom (+Z)");
            break;
    }
    Eigen::Vector3d centre;
    if (refreshSceneFromBounds(&centre)) {
        camera_.target = centre;
    }
    camera_.viewAlong(direction, up, sceneRadius_);
    if (withLabel) {
        setStatusText(translator_ ? translator_(label) : label);
        const int ticket = ++viewLabelTicket_;
        QPointer<LightweightGlEngine> self(this);
        QTimer::singleShot(kViewLabelMs, this, [self, ticket] {
            if (self && self->viewLabelTicket_ == ticket) {
                self->setStatusText(QString());
            }
        });
    }
    update();
}

void LightweightGlEngine::setTranslator(Translator translator) {
    translator_ = std::move(translator);
    retranslate();
}

void LightweightGlEngine::retranslate() {
    if (translator_) {
        toolbar_->retranslate(translator_);
        placeToolbar();
    }
}

void LightweightGlEngine::placeToolbar() {
    toolbar_->adjustSize();
    toolbar_->move(std::max(kLabelMargin, width() - toolbar_->width() - kToolbarMargin), kToolbarMargin);
}

void LightweightGlEngine::setBuildThreadPaused(bool paused) {
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        buildPaused_ = paused;
    }
    pendingCondition_.notify_all();
}

void LightweightGlEngine::setBuildStartHook(std::function<void(const std::string&)> hook) {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    buildStartHook_ = std::move(hook);
}

// ---- Build thread ----

void LightweightGlEngine::buildLoop() {
    ThreadName::setCurrent(kBuildThreadName);
    for (;;) {
        std::string name;
        PendingCloud work;
        std::function<void(const std::string&)> hook;
        {
            std::unique_lock<std::mutex> lock(pendingMutex_);
            pendingCondition_.wait(lock, [this] { return stopRequested_ || (!buildPaused_ && !pendingOrder_.empty()); });
            if (stopRequested_) {
                return;
            }
            name = pendingOrder_.front();
            pendingOrder_.pop_front();
            auto found = pending_.find(name);
            if (found == pending_.end()) {
                continue;
            }
            work = std::move(found->second);
            pending_.erase(found);
            hook = buildStartHook_;
        }
        if (hook) {
            hook(name);
        }
        BuiltCloud built;
        if (work.cloud && !work.cloud->points.empty()) {
            const auto start = std::chrono::steady_clock::now();
            built = CloudVertexBuilder::build(*work.cloud, thinningCell_.load());
            const auto elapsed = std::chrono::steady_clock::now() - start;
            builds_.fetch_add(1);
            buildMicroseconds_.fetch_add(static_cast<std::uint64_t>(
                std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));
        }
        work.cloud.reset();
        storeBuilt(name, std::move(built), work.generation);
        QMetaObject::invokeMethod(this, "update", Qt::QueuedConnection);
    }
}

void LightweightGlEngine::storeBuilt(const std::string& name, BuiltCloud built, std::uint64_t generation) {
    bool stored = false;
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        const auto removed = removedGeneration_.find(name);
        const std::uint64_t removedAt = removed == removedGeneration_.end() ? 0 : removed->second;
        if (built.valid && generation > clearedGeneration_ && generation > removedAt) {
            BuiltCloud& entry = built_[name];
            built.buffer = entry.buffer;
            built.needsUpload = true;
            entry = std::move(built);
            stored = true;
        }
    }
    emit buildFinished(QString::fromStdString(name), stored);
}

// ---- Painting (GUI thread, context current) ----

void LightweightGlEngine::initializeGL() {
    initializeOpenGLFunctions();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_PROGRAM_POINT_SIZE);
    renderer_.initialize();
    // A new context has none of the old buffers: upload every cloud again.
    std::lock_guard<std::mutex> lock(readyMutex_);
    for (auto& entry : built_) {
        entry.second.buffer = 0;
        entry.second.needsUpload = true;
    }
    buffersToDelete_.clear();
}

void LightweightGlEngine::resizeGL(int, int) {}

bool LightweightGlEngine::unionBounds(Eigen::Vector3d& minimum, Eigen::Vector3d& maximum) {
    std::lock_guard<std::mutex> lock(readyMutex_);
    bool any = false;
    for (const auto& entry : built_) {
        const BuiltCloud& cloud = entry.second;
        if (!cloud.valid || cloud.vertexCount <= 0) {
            continue;
        }
        const Eigen::Vector3d low(cloud.boundsMin[0], cloud.boundsMin[1], cloud.boundsMin[2]);
        const Eigen::Vector3d high(cloud.boundsMax[0], cloud.boundsMax[1], cloud.boundsMax[2]);
        minimum = any ? minimum.cwiseMin(low) : low;
        maximum = any ? maximum.cwiseMax(high) : high;
        any = true;
    }
    return any;
}

bool LightweightGlEngine::refreshSceneFromBounds(Eigen::Vector3d* centre) {
    Eigen::Vector3d minimum;
    Eigen::Vector3d maximum;
    if (!unionBounds(minimum, maximum)) {
        return false;
    }
    sceneRadius_ = static_cast<float>(std::max((maximum - minimum).norm() / 2.0, kMinSceneRadius));
    if (centre != nullptr) {
        *centre = (minimum + maximum) / 2.0;
    }
    return true;
}

void LightweightGlEngine::applyPendingFit() {
    Eigen::Vector3d centre;
    if (!refreshSceneFromBounds(&centre) || !fitPending_) {
        return;
    }
    const Eigen::Vector3d direction = firstFit_ ? frontDirection() : camera_.viewDirection();
    if (firstFit_) {
        camera_.up = Eigen::Vector3d(0.0, 0.0, 1.0);
    }
    camera_.target = centre;
    camera_.viewAlong(direction, camera_.up, sceneRadius_);
    fitPending_ = false;
    firstFit_ = false;
}

void LightweightGlEngine::paintGL() {
    glClearColor(0.078f, 0.086f, 0.106f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        renderer_.deleteBuffers(buffersToDelete_);
    }
    if (!renderer_.linked()) {
        return;
    }
    applyPendingFit();
    const QMatrix4x4 mvp = viewProjection();
    renderer_.bind();
    if (showAxes) {
        renderer_.drawAxes(mvp, static_cast<float>(std::max(sceneRadius_ * kAxesScaleOfRadius, kMinSceneRadius)));
    }
    GlCloudRenderer::DrawResult drawn;
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        drawn = renderer_.drawClouds(mvp, pointSize_, built_);
    }
    renderer_.release();
    lastVertexCount_ = drawn.vertices;
    gpuBytes_ = drawn.bytes;
    uploadErrors_.fetch_add(static_cast<std::uint64_t>(drawn.uploadErrors));
    reportStatistics();
}

QMatrix4x4 LightweightGlEngine::viewProjection() const {
    return camera_.projection(width(), height(), sceneRadius_) * camera_.view();
}

void LightweightGlEngine::reportStatistics() {
    if (statisticsTimer_.elapsed() < kStatisticsIntervalMs) {
        return;
    }
    statisticsTimer_.restart();
    const std::uint64_t builds = builds_.exchange(0);
    const std::uint64_t merged = merged_.exchange(0);
    const std::uint64_t micros = buildMicroseconds_.exchange(0);
    const std::uint64_t errors = uploadErrors_.exchange(0);
    if (builds == 0 && errors == 0) {
        return;
    }
    const double millisPerBuild = builds == 0 ? 0.0 : static_cast<double>(micros) / 1000.0 / static_cast<double>(builds);
    const QString text =
        QStringLiteral("点云引擎: 后台构建 %1 帧/s · 平均 %2 ms/帧 · 渲染顶点 %3 · GPU 顶点缓冲约 %4 MB · 合并丢弃 %5 · GPU 上传错误 %6")
            .arg(builds)
            .arg(millisPerBuild, 0, 'f', 1)
            .arg(lastVertexCount_)
            .arg(static_cast<double>(gpuBytes_) / kBytesPerMegabyte, 0, 'f', 1)
            .arg(merged)
            .arg(errors);
    if (statisticsCallback_) {
        statisticsCallback_(text);
    } else if (errors > 0) {
        qCWarning(cloudEngineLog).noquote() << text;
    } else {
        // Debug output of its own category, off unless QT_LOGGING_RULES turns
        // "hazard.view.cloud.debug" on: not a line on stderr every second.
        qCDebug(cloudEngineLog).noquote() << text;
    }
}

// ---- Input (GUI thread) ----

void LightweightGlEngine::resizeEvent(QResizeEvent* event) {
    QOpenGLWidget::resizeEvent(event);
    placeToolbar();
}

void LightweightGlEngine::mousePressEvent(QMouseEvent* event) {
    dragButton_ = event->button();
    lastMousePos_ = event->pos();
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void LightweightGlEngine::mouseReleaseEvent(QMouseEvent* event) {
    dragButton_ = Qt::NoButton;
    event->accept();
}

void LightweightGlEngine::mouseMoveEvent(QMouseEvent* event) {
    if (dragButton_ == Qt::NoButton) {
        return;
    }
    const double dx = event->pos().x() - lastMousePos_.x();
    const double dy = event->pos().y() - lastMousePos_.y();
    lastMousePos_ = event->pos();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool left = dragButton_ == Qt::LeftButton;
    if (dragButton_ == Qt::MiddleButton || (left && modifiers.testFlag(Qt::ShiftModifier))) {
        camera_.pan(dx, dy, height());
    } else if (dragButton_ == Qt::RightButton || (left && modifiers.testFlag(Qt::ControlModifier))) {
        camera_.dolly(dy, height());
    } else if (left) {
        camera_.orbit(dx, dy, width(), height());
    } else {
        return;
    }
    update();
}

void LightweightGlEngine::wheelEvent(QWheelEvent* event) {
    camera_.wheel(event->angleDelta().y() > 0);
    event->accept();
    update();
}

void LightweightGlEngine::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_BracketLeft: showStandardView(StandardView::Front, true); break;
        case Qt::Key_BracketRight: showStandardView(StandardView::Back, true); break;
        case Qt::Key_Semicolon: showStandardView(StandardView::Left, true); break;
        case Qt::Key_Apostrophe: showStandardView(StandardView::Right, true); break;
        case Qt::Key_Comma: showStandardView(StandardView::Top, true); break;
        case Qt::Key_Period: showStandardView(StandardView::Bottom, true); break;
        case Qt::Key_R: requestFit(); break;
        default: QOpenGLWidget::keyPressEvent(event); return;
    }
    event->accept();
}

}  // namespace hazard_desk
