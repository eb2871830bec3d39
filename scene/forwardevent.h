#pragma once

#include <QEvent>

// The forwarding step shared by the scene items that report their input as
// signals: the event goes to the receivers unaccepted; if one of them accepts
// it, it is theirs. Otherwise it gets back the accepted state it came with and
// the standard handler runs.
template <typename Event, typename Emit, typename Base>
void forwardEvent(Event *event, Emit emitSignal, Base baseHandler)
{
    const bool wasAccepted = event->isAccepted();
    event->ignore();
    emitSignal(event);
    if (event->isAccepted())
        return;
    if (wasAccepted)
        event->accept();
    baseHandler(event);
}
