#include "GlCloudRenderer.h"

#include <QOpenGLShaderProgram>
#include <QtDebug>

namespace hazard_desk {
namespace {

constexpr int kFloatsPerVertex = CloudVertexBuilder::kFloatsPerVertex;
constexpr int kStrideBytes = kFloatsPerVertex * static_cast<int>(sizeof(float));
constexpr int kColourOffsetBytes = 3 * static_cast<int>(sizeof(float));

const char* const kVertexShader = R"(
attribute vec3 aPos;
attribute vec3 aColor;
uniform mat4 uMVP;
uniform float uPointSize;
varying vec3 vColor;
void main() {
    gl_Position = uMVP * vec4(aPos, 1.0);
    gl_PointSize = uPointSize;
    vColor = aColor;
}
)";

const char* const kFragmentShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
varying vec3 vColor;
void main() {
    gl_FragColor = vec4(vColor, 1.0);
}
)";

const float kAxesVertices[] = {
    0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0,  // X in red
    0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0,  // Y in green
    0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1,  // Z in blue
};

}  // namespace

GlCloudRenderer::GlCloudRenderer() = default;
GlCloudRenderer::~GlCloudRenderer() = default;

bool GlCloudRenderer::initialize() {
    initializeOpenGLFunctions();
    program_ = std::make_unique<QOpenGLShaderProgram>();
    program_->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader);
    program_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader);
    program_->bindAttributeLocation("aPos", 0);
    program_->bindAttributeLocation("aColor", 1);
    linked_ = program_->link();
    if (!linked_) {
        qWarning().noquote() << "point-cloud view: shader program did not link:" << program_->log();
    }
    glGenBuffers(1, &axesBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, axesBuffer_);
    glBufferData(GL_ARRAY_BUFFER, sizeof(kAxesVertices), kAxesVertices, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return linked_;
}

void GlCloudRenderer::bind() { program_->bind(); }

void GlCloudRenderer::release() { program_->release(); }

void GlCloudRenderer::setVertexLayout() {
    program_->enableAttributeArray(0);
    program_->enableAttributeArray(1);
    program_->setAttributeBuffer(0, GL_FLOAT, 0, 3, kStrideBytes);
    program_->setAttributeBuffer(1, GL_FLOAT, kColourOffsetBytes, 3, kStrideBytes);
}

void GlCloudRenderer::drawAxes(const QMatrix4x4& mvp, float scale) {
    QMatrix4x4 model;
    model.scale(scale);
    program_->setUniformValue("uMVP", mvp * model);
    program_->setUniformValue("uPointSize", 1.0f);
    glBindBuffer(GL_ARRAY_BUFFER, axesBuffer_);
    setVertexLayout();
    glLineWidth(kAxesLineWidth);
    glDrawArrays(GL_LINES, 0, 6);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

GlCloudRenderer::DrawResult GlCloudRenderer::drawClouds(const QMatrix4x4& mvp, float pointSize,
                                                        std::unordered_map<std::string, BuiltCloud>& built) {
    DrawResult result;
    program_->setUniformValue("uMVP", mvp);
    program_->setUniformValue("uPointSize", pointSize);
    for (auto& entry : built) {
        BuiltCloud& cloud = entry.second;
        if (cloud.vertexCount <= 0) {
            continue;
        }
        const auto bytes = static_cast<GLsizeiptr>(cloud.vertices.size() * sizeof(float));
        if (cloud.needsUpload) {
            if (cloud.buffer == 0) {
                glGenBuffers(1, &cloud.buffer);
            }
            for (int i = 0; i < kMaxDiscardedGlErrors && glGetError() != GL_NO_ERROR; ++i) {
            }
            glBindBuffer(GL_ARRAY_BUFFER, cloud.buffer);
            glBufferData(GL_ARRAY_BUFFER, bytes, cloud.vertices.data(), GL_DYNAMIC_DRAW);
            const GLenum error = glGetError();
            if (cloud.buffer == 0 || error != GL_NO_ERROR) {
                qWarning().noquote() << "point-cloud view: upload of" << QString::fromStdString(entry.first)
                                     << "(" << cloud.vertexCount << "vertices ) failed with GL error" << error;
                glBindBuffer(GL_ARRAY_BUFFER, 0);
                if (cloud.buffer != 0) {
                    glDeleteBuffers(1, &cloud.buffer);
                }
                cloud.buffer = 0;
                cloud.needsUpload = false;
                cloud.valid = false;
                ++result.uploadErrors;
                continue;
            }
            cloud.needsUpload = false;
        }
        if (cloud.buffer == 0) {
            continue;
        }
        glBindBuffer(GL_ARRAY_BUFFER, cloud.buffer);
        setVertexLayout();
        glDrawArrays(GL_POINTS, 0, cloud.vertexCount);
        result.bytes += static_cast<std::uint64_t>(bytes);
        result.vertices += cloud.vertexCount;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return result;
}

void GlCloudRenderer::deleteBuffers(std::vector<unsigned int>& buffers) {
    if (!buffers.empty()) {
        glDeleteBuffers(static_cast<GLsizei>(buffers.size()), buffers.data());
        buffers.clear();
    }
}

void GlCloudRenderer::releaseResources() {
    if (axesBuffer_ != 0) {
        glDeleteBuffers(1, &axesBuffer_);
        axesBuffer_ = 0;
    }
    program_.reset();
    linked_ = false;
}

}  // namespace hazard_desk
