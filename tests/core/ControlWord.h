#pragma once
// Sets an x87 control word for one scope; the program's defaults come back.
#include <cstdint>

#include "rtl/FloatingPoint.h"

class ControlWordScope {
public:
    explicit ControlWordScope(std::uint16_t ControlWord) { SetX87ControlWord(ControlWord); }
    ~ControlWordScope() { SetFloatingPointDefaults(); }
    ControlWordScope(const ControlWordScope&) = delete;
    ControlWordScope& operator=(const ControlWordScope&) = delete;
};

// The defaults, then what a printer driver or dialog might leave behind:
// 53-bit precision (Wine's start-up state), rounding down, toward zero.
inline constexpr std::uint16_t ControlWords[] = {0x037F, 0x027F, 0x067F, 0x0F7F, 0x0E7F};
