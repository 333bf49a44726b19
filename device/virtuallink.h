#pragma once

#include "device/framedecoder.h"
#include "link/link.h"

#include <memory>
#include <QString>

namespace tapwright {

/// A terminal inside the process, in place of a device: every frame sent is
/// decoded back into what the device would enter and handed out through
/// received(). By default frames come out at the pace of the real line (600
/// baud, 8E1: 88 bit times, about 147 ms a frame); with pacing off they come
/// out as soon as the event loop runs.
///
/// It behaves like a serial link: frames sent while closed are dropped,
/// ClosePort(Drain) returns only after every queued frame has come out (with
/// the event loop running), ClosePort(Discard) drops the rest.
class VirtualLink : public Link
{
    Q_OBJECT
public:
    explicit VirtualLink(QObject *parent = nullptr);
    ~VirtualLink() override;

    /// The port text that selects this link on the command line.
    static QString portName() { return QStringLiteral("virtual"); }

    void setPaced(bool paced) override;

    bool OpenPort() override;
    void ClosePort(CloseMode mode = CloseMode::Drain) override;
    void SendKey(int row, int column, int table) override;
    bool isOpen() const override;
    int framesInFlight() const override;
    qint64 nsUntilProgress() const override;
    qint64 framesSent() const override;

Q_SIGNALS:
    /// The bytes of the frames that just came off the line, before decoding:
    /// what a device on a serial port would have read.
    void lineBytes(const QByteArray &bytes);
    /// Decoded output (see FrameDecoder), in order.
    void received(const tapwright::DevicePieces &pieces);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tapwright
