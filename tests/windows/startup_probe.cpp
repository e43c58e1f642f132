// A Windows program with the intro's process start-up (platform/windows/startup.cpp) that
// reports what its entry function was given: it writes "precision=<x87 precision control>
// show=<show-window command>" to the file named by its command line and returns 42, so a
// test can check the floating-point set-up, the show command and the exit code.
#include <float.h>
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int show_command)
{
    const unsigned int precision = _controlfp(0, 0) & _MCW_PC;
    FILE* file = std::fopen(command_line, "w");
    if (file == nullptr) return 1;
    std::fprintf(file, "precision=0x%x show=%d\n", precision, show_command);
    std::fclose(file);
    return 42;
}
