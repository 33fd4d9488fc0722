# The Windows GUI executable, cross-compiled with mingw-w64.
enable_language(RC)
set(TAVRIN_DIST_DIR "${PROJECT_SOURCE_DIR}/dist/x64" CACHE PATH "Where tavrin.exe is written")

# Small, self-contained and free of C++ runtime machinery the launcher never uses.
# No build path may reach the output: the same commit gives the same bytes in any folder.
set(TAVRIN_WIN_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections -municode -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
target_compile_options(tavrin_core PRIVATE ${TAVRIN_WIN_FLAGS})
target_compile_options(tavrin_registry PRIVATE ${TAVRIN_WIN_FLAGS})

file(GLOB TAVRIN_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_executable(tavrin WIN32 ${TAVRIN_WIN32_SOURCES} assets/tavrin.rc)
target_compile_options(tavrin PRIVATE ${TAVRIN_WIN_FLAGS} -Wall -Wextra)
target_link_libraries(tavrin PRIVATE tavrin_core tavrin_registry)
# A zero link time stamp keeps the bytes reproducible; the linker still sets the checksum.
target_link_options(tavrin PRIVATE -municode -mwindows -static -static-libgcc -static-libstdc++
  -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
set_property(SOURCE assets/tavrin.rc APPEND PROPERTY OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/assets/tavrin.manifest" "${PROJECT_SOURCE_DIR}/assets/icon/tavrin.ico")
set_target_properties(tavrin PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${TAVRIN_DIST_DIR}")

# Programs the end-to-end bench runs under Wine beside the launcher.
if(EXISTS "${PROJECT_SOURCE_DIR}/tests/e2e/CMakeLists.txt")
  add_subdirectory(tests/e2e)
endif()
