// Stub until the virtual terminal lands.
#include "link/virtuallink.h"
namespace tapwright {
struct VirtualLink::Private {};
VirtualLink::VirtualLink(QObject *parent) : Link(parent) {}
VirtualLink::~VirtualLink() = default;
void VirtualLink::setPaced(bool) {}
bool VirtualLink::isPaced() const { return true; }
bool VirtualLink::OpenPort() { return false; }
void VirtualLink::ClosePort(CloseMode) {}
void VirtualLink::SendKey(int, int, int) {}
bool VirtualLink::isOpen() const { return false; }
int VirtualLink::pendingFrames() const { return 0; }
}
