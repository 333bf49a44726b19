#include "device/portlink.h"

namespace tapwright {

PortLink::PortLink(QObject *parent) : Link(parent)
{
    for (Link *link : {static_cast<Link *>(&serial_), static_cast<Link *>(&virtual_)}) {
        connect(link, &Link::failed, this, [this, link](const LinkError &error) {
            // A link left behind by a switch was closed already; its failure is not ours.
            if (link != current_)
                return;
            setLastError(error);
            Q_EMIT failed(error);
        });
    }
    connect(&virtual_, &VirtualLink::lineBytes, this, &PortLink::lineBytes);
    connect(&virtual_, &VirtualLink::received, this, &PortLink::received);
}

PortLink::~PortLink() = default;

bool PortLink::namesVirtual(const QString &text)
{
    return text.trimmed() == VirtualLink::portName();
}

void PortLink::setPaced(bool paced)
{
    Link::setPaced(paced);
    serial_.setPaced(paced);
    virtual_.setPaced(paced);
}

bool PortLink::OpenPort()
{
    if (current_->isOpen())
        return true;
    current_ = namesVirtual(commPort()) ? static_cast<Link *>(&virtual_) : &serial_;
    current_->setCommPort(commPort());
    const bool ok = current_->OpenPort();
    setLastError(current_->lastError());
    if (ok)
        Q_EMIT opened();
    return ok;
}

void PortLink::ClosePort(CloseMode mode)
{
    current_->ClosePort(mode);
}

void PortLink::SendKey(int row, int column, int table)
{
    current_->SendKey(row, column, table);
}

bool PortLink::isOpen() const
{
    return current_->isOpen();
}

int PortLink::framesInFlight() const
{
    return current_->framesInFlight();
}

qint64 PortLink::nsUntilProgress() const
{
    return current_->nsUntilProgress();
}

qint64 PortLink::framesSent() const
{
    return current_->framesSent();
}

} // namespace tapwright
