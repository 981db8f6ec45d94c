#pragma once

#include <QMediaCaptureSession>
#include <QVideoSink>
#include <memory>

#include "framesource.h"

class QCamera;
class QVideoFrame;

namespace horalia {

// The machine's first camera through Qt Multimedia: a capture session feeding a video sink,
// whose frames go out as images for the preview panel to draw.
class CameraFrameSource : public FrameSource {
    Q_OBJECT
public:
    explicit CameraFrameSource(QObject* parent = nullptr);
    ~CameraFrameSource() override;

    bool start() override;
    void stop() override;
    bool isActive() const override;
    bool setResolution(const QSize& size) override;

private:
    void deliver(const QVideoFrame& frame);

    // Destroyed in reverse order: the session lets go of the camera and the sink it holds
    // before either of them goes.
    QVideoSink sink_;
    std::unique_ptr<QCamera> camera_;
    QMediaCaptureSession session_;
};

}  // namespace horalia
