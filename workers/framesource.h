#pragma once

#include <QImage>
#include <QObject>
#include <QSize>

namespace horalia {

// Where the photo panel's live picture comes from: the first camera of the machine, or in
// tests a source of ours that produces frames of a known picture. Frames arrive on the
// user-interface thread, through frameReady.
class FrameSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Connects to the first camera and starts the live picture. False when there is no
    // camera: the caller carries on with an empty preview, as with a camera that shows nothing.
    virtual bool start() = 0;
    // Disconnects the camera; frames stop. Harmless when not started.
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Asks for frames of `size`. True when the camera offers that size and now delivers it;
    // false leaves the camera in its own size, which the preview scales.
    virtual bool setResolution(const QSize& size) = 0;

signals:
    void frameReady(const QImage& frame);
};

}  // namespace horalia
