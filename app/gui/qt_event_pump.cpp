#include "app/gui/qt_event_pump.h"

#include <QCoreApplication>

namespace bq::gui {

void TQtEventPump::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }

}  // namespace bq::gui
