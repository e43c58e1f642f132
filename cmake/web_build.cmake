# The browser build (Emscripten): the system folders and platform/ as on Linux, with the web
# host (platform/web) in place of SDL2, linked into build/web/site/ together with the pages.
# Threads are WebAssembly threads (shared memory), so every object is compiled with -pthread.
#
# The asset generators must run on this machine: a native build of them is configured in
# INTRO_HOST_TOOLS_DIR at the first configure and brought up to date at every build.
set(INTRO_HOST_TOOLS_DIR "${PROJECT_BINARY_DIR}/host" CACHE PATH
    "Native build directory holding assets/gen_* programs (made here when missing)")
if(NOT EXISTS "${INTRO_HOST_TOOLS_DIR}/CMakeCache.txt")
  message(STATUS "Configuring the native asset generators in ${INTRO_HOST_TOOLS_DIR}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=CC --unset=CXX --unset=CFLAGS --unset=CXXFLAGS
            ${CMAKE_COMMAND} -S ${PROJECT_SOURCE_DIR} -B ${INTRO_HOST_TOOLS_DIR}
            -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF -DINTRO_CAPTURE=OFF
    RESULT_VARIABLE host_configure_result OUTPUT_QUIET)
  if(NOT host_configure_result EQUAL 0)
    message(FATAL_ERROR "Could not configure the native asset generators in ${INTRO_HOST_TOOLS_DIR}")
  endif()
endif()
add_custom_target(host_generators
  COMMAND ${CMAKE_COMMAND} --build ${INTRO_HOST_TOOLS_DIR} --target gen_images gen_font gen_module
  COMMENT "Bringing the native asset generators up to date")

# Emscripten calls the target an x86 processor: no per-file x86 instruction sets here (the
# AVX2 and AVX-512 kernels do not compile to WebAssembly). The SSE2 paths compile to 128-bit
# WebAssembly SIMD.
set(CMAKE_SYSTEM_PROCESSOR wasm32)
add_compile_options(-pthread -msimd128 -msse2)
add_link_options(-pthread)
# emcc's JavaScript optimiser needs Debian's node modules (acorn).
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")

add_subdirectory(platform)
add_subdirectory(assets)
add_dependencies(assets host_generators)
add_subdirectory(player)
add_subdirectory(gfx)
add_subdirectory(scene)
add_subdirectory(app)
add_subdirectory(tools/common)

set(INTRO_WEB_SITE_DIR ${PROJECT_BINARY_DIR}/site)
# intro_web_site_files(target file...): the target copies the files of the calling folder's
# site/ into the site folder.
function(intro_web_site_files target)
  set(outputs)
  foreach(file IN LISTS ARGN)
    add_custom_command(
      OUTPUT ${INTRO_WEB_SITE_DIR}/${file}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/site/${file}
              ${INTRO_WEB_SITE_DIR}/${file}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/site/${file})
    list(APPEND outputs ${INTRO_WEB_SITE_DIR}/${file})
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()
add_subdirectory(platform/web)
add_subdirectory(tools/player_page)
