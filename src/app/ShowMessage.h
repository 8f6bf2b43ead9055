// The program's only report: a modal message box with no owner window.
#pragma once

#include <cstdint>

namespace tarnwell {

constexpr std::uint32_t kMessageError = 0x10;        // MB_OK | MB_ICONERROR
constexpr std::uint32_t kMessageInformation = 0x40;  // MB_OK | MB_ICONINFORMATION

// Returns once the user has closed the box.
void ShowMessage(const char16_t* text, const char16_t* caption,
                 std::uint32_t style);

}  // namespace tarnwell
