#include "rtl/FloatingPoint.h"

namespace {

constexpr std::uint16_t X87ExceptionMasks = 0x003F;
constexpr std::uint16_t X87PrecisionAndRounding = 0x0F00;
constexpr std::uint16_t X87Precision64 = 0x0300;
constexpr std::uint16_t X87Defaults = 0x037F;
constexpr std::uint32_t MxcsrDefaults = 0x1F80;

} // namespace

std::uint16_t GetX87ControlWord()
{
    std::uint16_t ControlWord;
    asm volatile("fnstcw %0" : "=m"(ControlWord));
    return ControlWord;
}

void SetX87ControlWord(std::uint16_t ControlWord)
{
    asm volatile("fldcw %0" : : "m"(ControlWord) : "memory");
}

std::uint32_t GetMxcsr()
{
    std::uint32_t Mxcsr;
    asm volatile("stmxcsr %0" : "=m"(Mxcsr));
    return Mxcsr;
}

void SetFloatingPointDefaults()
{
    // Pending flags would trap at the next instruction if a caller had
    // unmasked them; start clean.
    asm volatile("fnclex" : : : "memory");
    SetX87ControlWord(X87Defaults);
    std::uint32_t Mxcsr = MxcsrDefaults;
    asm volatile("ldmxcsr %0" : : "m"(Mxcsr) : "memory");
}

ExtendedPrecision::ExtendedPrecision() : FSaved(GetX87ControlWord())
{
    SetX87ControlWord(static_cast<std::uint16_t>(
        (FSaved & ~X87PrecisionAndRounding) | X87Precision64 | X87ExceptionMasks));
}

ExtendedPrecision::~ExtendedPrecision()
{
    // Flags raised under our masks must not trap once the caller's
    // unmasked control word is back.
    if ((FSaved & X87ExceptionMasks) != X87ExceptionMasks)
        asm volatile("fnclex" : : : "memory");
    SetX87ControlWord(FSaved);
}
