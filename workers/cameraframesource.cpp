#include "cameraframesource.h"

#include <QCamera>
#include <QCameraDevice>
#include <QMediaDevices>
#include <QVideoFrame>

namespace horalia {

CameraFrameSource::CameraFrameSource(QObject* parent) : FrameSource(parent) {
    session_.setVideoSink(&sink_);
    connect(&sink_, &QVideoSink::videoFrameChanged, this, &CameraFrameSource::deliver);
}

CameraFrameSource::~CameraFrameSource() {
    stop();
}

bool CameraFrameSource::start() {
    if (camera_) {
        return true;
    }
    const QList<QCameraDevice> cameras = QMediaDevices::videoInputs();
    if (cameras.isEmpty()) {
        return false;
    }
    camera_ = std::make_unique<QCamera>(cameras.first());
    session_.setCamera(camera_.get());
    camera_->start();
    return true;
}

void CameraFrameSource::stop() {
    if (!camera_) {
        return;
    }
    camera_->stop();
    session_.setCamera(nullptr);
    camera_.reset();
}

bool CameraFrameSource::isActive() const {
    return camera_ != nullptr;
}

bool CameraFrameSource::setResolution(const QSize& size) {
    if (!camera_) {
        return false;
    }
    const QList<QCameraFormat> formats = camera_->cameraDevice().videoFormats();
    for (const QCameraFormat& format : formats) {
        if (format.resolution() == size) {
            // A new format takes effect when the camera starts again.
            camera_->stop();
            camera_->setCameraFormat(format);
            camera_->start();
            return true;
        }
    }
    return false;
}

void CameraFrameSource::deliver(const QVideoFrame& frame) {
    const QImage image = frame.toImage();
    if (!image.isNull()) {
        emit frameReady(image);
    }
}

}  // namespace horalia
