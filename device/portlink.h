#pragma once

#include "device/virtuallink.h"
#include "link/seriallink.h"

#include <QStringList>

namespace tapwright {

/// The link a port text names, chosen at each open: the port text "virtual"
/// (blanks around it do not count) opens the terminal inside the process,
/// any other text a serial port. Every call goes to the link that was opened
/// last; its failures come out as this link's own.
class PortLink : public Link
{
    Q_OBJECT
public:
    explicit PortLink(QObject *parent = nullptr);
    ~PortLink() override;

    /// Whether `text` names the virtual terminal.
    static bool namesVirtual(const QString &text);

    void setPaced(bool paced) override;

    /// Picks the link by commPort() unless the current one is open already,
    /// which is kept as it is.
    bool OpenPort() override;
    void ClosePort(CloseMode mode = CloseMode::Drain) override;
    void SendKey(int row, int column, int table) override;
    bool isOpen() const override;
    int framesInFlight() const override;
    qint64 nsUntilProgress() const override;
    qint64 framesSent() const override;

    /// Whether the link opened last (or being opened) is the virtual terminal.
    bool isVirtual() const { return current_ == &virtual_; }

Q_SIGNALS:
    /// A port was opened that was closed before.
    void opened();
    /// The virtual terminal's frames as they come off its line (see VirtualLink).
    void lineBytes(const QByteArray &bytes);
    /// What the virtual terminal would enter (see FrameDecoder), in order.
    void received(const tapwright::DevicePieces &pieces);

private:
    SerialLink serial_;
    VirtualLink virtual_;
    Link *current_ = &serial_;
};

} // namespace tapwright
