# The Windows build: the system folders compiled against the real SDK headers and linked with
# the system's own DLLs. platform/ is not compiled; only the process start-up comes from it.
# The asset generators run on the build machine: they come from a native build, named by
# INTRO_HOST_TOOLS_DIR (scripts/build-windows.sh makes one).
set(INTRO_HOST_TOOLS_DIR "" CACHE PATH "Native build directory holding assets/gen_* programs")
if(NOT INTRO_HOST_TOOLS_DIR)
  message(FATAL_ERROR "The Windows build needs -DINTRO_HOST_TOOLS_DIR=<native build dir>")
endif()

# SSE2 arithmetic in single and double precision, as on x86-64: the player's PCM is then the
# same in both builds. The C++ runtime is linked in, so only system DLLs are imported.
add_compile_options(-msse2 -mfpmath=sse)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_link_options(-static-libgcc -static-libstdc++ -static)

add_subdirectory(assets)
add_subdirectory(player)
add_subdirectory(gfx)
add_subdirectory(scene)
add_subdirectory(app)

# The tools link these two names; on Windows the platform is the system itself.
add_library(platform_core INTERFACE)
target_link_libraries(platform_core INTERFACE d3d9 winmm)
add_library(platform_headless INTERFACE)

add_executable(intro WIN32 platform/windows/startup.cpp)
target_link_libraries(intro PRIVATE app scene gfx player assets d3d9 winmm)
# WinMain lives in the app library and is called only by the C runtime's start-up code, which
# the linker reaches after the libraries: ask for it up front.
target_link_options(intro PRIVATE -Wl,--undefined=_WinMain@16)

add_subdirectory(tools/common)
add_subdirectory(tools/xm2wav)
add_subdirectory(tests/windows/frame_dump)

# Test program of the process start-up (tests/windows/startup.sh); not shipped.
add_executable(startup_probe WIN32 tests/windows/startup_probe.cpp platform/windows/startup.cpp)
