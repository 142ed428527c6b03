#pragma once
// The floating-point environment of the x86-64 processor.
//
// Real arithmetic runs on the x87 unit in the 80-bit extended format with
// every exception masked. Hardware traps are never used to report errors:
// under MinGW a trap cannot reliably become a C++ exception. Code that can
// meet an invalid operation, a division by zero or an overflow tests for it
// and throws EInvalidOp, EZeroDivide or EOverflow itself.
#include <cstdint>

#if !defined(__x86_64__)
#error "Wendrask needs the x87 extended format of x86-64."
#endif

// x87: 64-bit precision, round to nearest, all exceptions masked (0x037F).
// SSE: round to nearest, all exceptions masked, no flush to zero (0x1F80).
// Made at start-up and again after every common dialog, since printer
// drivers and dialogs may change either.
void SetFloatingPointDefaults();

std::uint16_t GetX87ControlWord();
void SetX87ControlWord(std::uint16_t ControlWord);
std::uint32_t GetMxcsr();

// For its scope: x87 64-bit precision, round to nearest, all exceptions
// masked; the previous control word comes back at the end. Windows under
// Wine starts a process with 53-bit precision, so computations that must be
// exact in the extended format take one of these whatever the caller set.
class ExtendedPrecision {
public:
    ExtendedPrecision();
    ~ExtendedPrecision();
    ExtendedPrecision(const ExtendedPrecision&) = delete;
    ExtendedPrecision& operator=(const ExtendedPrecision&) = delete;

private:
    std::uint16_t FSaved;
};

// Returns Value unchanged through a step the compiler cannot see into, so
// arithmetic on the result cannot be moved before a control-word change and
// arithmetic producing Value cannot be moved after one.
template <class T>
inline T FpFence(T Value)
{
    asm volatile("" : "+m"(Value) : : "memory");
    return Value;
}
