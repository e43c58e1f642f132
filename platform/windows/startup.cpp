// Process start-up of the Windows build. MinGW's start-up code calls WinMain with the
// show-window command from the process's start-up information (wShowWindow when
// STARTF_USESHOWWINDOW is set, else SW_SHOWDEFAULT) and ends the process with its result.
// What it does not do is set the floating-point unit to 53-bit precision: this object's
// initialiser does, before WinMain runs.
#include <float.h>

namespace {

constexpr unsigned int PRECISION_53_BITS = 0x10000;  // _PC_53
constexpr unsigned int PRECISION_MASK = 0x30000;     // _MCW_PC

struct FloatingPointPrecision {
    FloatingPointPrecision() { _controlfp(PRECISION_53_BITS, PRECISION_MASK); }
};

const FloatingPointPrecision floating_point_precision;

}  // namespace
