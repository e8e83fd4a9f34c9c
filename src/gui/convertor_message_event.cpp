#include "gui/convertor_message_event.h"

namespace tavi {

CConvertorMessageEvent::CConvertorMessageEvent(std::uint32_t message, std::uintptr_t wParam,
                                               std::intptr_t lParam)
    : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

QEvent::Type CConvertorMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace tavi
