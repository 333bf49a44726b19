#include "macro/recorder.h"

namespace tapwright {

RecordedMacro recordedLines(const QList<RecordedSend> &, RecordedWaits,
                            const std::optional<AddressEntry> &, FieldFormat, bool)
{
    return {};
}

QString keyNameOfButton(int)
{
    return {};
}

} // namespace tapwright
