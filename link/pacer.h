#pragma once

#include "link/link.h"
#include "link/waitclock.h"

#include <functional>

namespace tapwright {

/// Hands frames to a link no faster than its line carries them. At most
/// maxLead() frames are ever ahead of the line: on a paced link the frame on
/// the wire and one waiting behind it, so the line stays busy and the device
/// is never more than two frame times behind what the program shows. A send
/// that finds the line busy waits in the event loop, so the program stays
/// responsive while a long text goes out.
class Pacer : public KeySink
{
public:
    explicit Pacer(Link &link);

    /// Uses `clock` to wait (tests put a fake one in). Not owned.
    void setClock(WaitClock *clock) { clock_ = clock; }

    /// Asked while a send waits: true drops the frame (a stop, a failure).
    std::function<bool()> dropWhen;
    /// Asked while a send waits: true holds the frame back (a pause).
    std::function<bool()> holdWhen;
    /// Told of each frame handed to the link.
    std::function<void(const KeyCode &)> onSent;

    /// Frames that may be ahead of the line: 2 on a paced link, a few more
    /// on an unpaced one, which takes frames as fast as the port does.
    int maxLead() const;
    /// The frames ahead of the line on a paced link.
    static constexpr int PacedLead = 2;

    /// Waits for room ahead of the line, then hands the frame to the link;
    /// drops it when dropWhen() says so. A closed link drops it as ever.
    void SendKey(int row, int column, int table) override;

    /// Waits until the line has carried every frame handed over. Only
    /// `interrupt` (and a link that closes) ends it early; returns false then.
    bool waitUntilCarried(const std::function<bool()> &interrupt);

    /// The most frames that were ahead of the line at any send, since the
    /// last resetLead(); for the benchmarks.
    int largestLead() const { return largestLead_; }
    void resetLead() { largestLead_ = 0; }

private:
    /// Sleeps until the line may have moved on, or until woken.
    void sleepABit();

    Link &link_;
    EventLoopClock realClock_;
    WaitClock *clock_;
    int largestLead_ = 0;
};

} // namespace tapwright
