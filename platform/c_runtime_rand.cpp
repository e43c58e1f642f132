// The C runtime's pseudo-random generator as the Windows runtime has it: each result is bits
// 16..30 of a 32-bit linear congruential state (state × 214013 + 2531011), so results run from
// 0 to 32767, and the state starts at 1 in every thread until srand is called. The system calls
// rand for the bubbles' start positions and never seeds it: with this definition every build
// (the Windows one through its own runtime, every other one through this file) starts the
// bubbles at the same places. It takes the place of the C library's own rand and srand, which
// differ from platform to platform. <cstdlib> is not included: C libraries declare the two
// differently (glibc's are noexcept, musl's are not), and these definitions must agree with
// both.

namespace {

thread_local unsigned int runtime_rand_state = 1;

}  // namespace

extern "C" int rand(void)
{
    runtime_rand_state = runtime_rand_state * 214013u + 2531011u;
    return static_cast<int>((runtime_rand_state >> 16) & 0x7FFF);
}

extern "C" void srand(unsigned int seed)
{
    runtime_rand_state = seed;
}
