#include "app/ShowMessage.h"

#include "platform/Platform.h"

namespace tarnwell {

void ShowMessage(const char16_t* text, const char16_t* caption,
                 std::uint32_t style) {
  platform::ShowMessageBox(text, caption, style);
}

}  // namespace tarnwell
