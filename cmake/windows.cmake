# The Windows GUI executable, cross-compiled with mingw-w64.
enable_language(RC)
set(TAVRIN_DIST_DIR "${PROJECT_SOURCE_DIR}/dist/x64" CACHE PATH "Where tavrin.exe is written")

# Small, self-contained and free of C++ runtime machinery the launcher never uses.
# No build path may reach the output: the same commit gives the same bytes in any folder.
set(TAVRIN_WIN_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections -municode -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
target_compile_options(tavrin_core PRIVATE ${TAVRIN_WIN_FLAGS})
target_compile_options(tavrin_registry PRIVATE ${TAVRIN_WIN_FLAGS})

# Three launchers over one core: tavrin.exe for the GUI subsystem, its console twin
# tavrin-console.exe and its service twin tavrin-service.exe. They differ only in their
# entry, how they start and wait for the child, and how they show an error
# (src/platform/win32/gui, console and service).
# A library, not a set of objects: each launcher takes only the services it calls, and so
# imports no function that only a twin needs.
file(GLOB TAVRIN_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(tavrin_win32 STATIC ${TAVRIN_WIN32_SOURCES})
target_include_directories(tavrin_win32 PUBLIC src)
target_compile_options(tavrin_win32 PRIVATE ${TAVRIN_WIN_FLAGS} -Wall -Wextra)
set_property(SOURCE assets/tavrin.rc APPEND PROPERTY OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/assets/tavrin.manifest" "${PROJECT_SOURCE_DIR}/assets/icon/tavrin.ico")

function(tavrin_launcher target variant subsystem)
  file(GLOB variant_sources CONFIGURE_DEPENDS src/platform/win32/${variant}/*.cpp)
  add_executable(${target} ${variant_sources} assets/tavrin.rc)
  target_compile_options(${target} PRIVATE ${TAVRIN_WIN_FLAGS} -Wall -Wextra)
  target_link_libraries(${target} PRIVATE tavrin_core tavrin_registry tavrin_win32)
  # A zero link time stamp keeps the bytes reproducible; the linker still sets the checksum.
  target_link_options(${target} PRIVATE -municode -m${subsystem} -static -static-libgcc
    -static-libstdc++ -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${TAVRIN_DIST_DIR}")
endfunction()
tavrin_launcher(tavrin gui windows)
tavrin_launcher(tavrin-console console console)
# The service twin has no window of its own either; it imports ADVAPI32, the service manager's.
tavrin_launcher(tavrin-service service windows)
# The twins' version details name them (assets/tavrin.rc).
target_compile_definitions(tavrin-console PRIVATE TAVRIN_CONSOLE)
target_compile_definitions(tavrin-service PRIVATE TAVRIN_SERVICE)

# The update program of apps that update themselves: small, without exceptions, over system
# DLLs only (WinHTTP, BCrypt, ADVAPI32). Its manifest runs it as invoked, whatever its name.
file(GLOB TAVRIN_UPDATE_SOURCES CONFIGURE_DEPENDS src/update/*.cpp)
add_executable(tavrin-update ${TAVRIN_UPDATE_SOURCES} assets/tavrin.rc)
target_include_directories(tavrin-update PRIVATE src)
target_compile_definitions(tavrin-update PRIVATE TAVRIN_UPDATE)
target_compile_options(tavrin-update PRIVATE ${TAVRIN_WIN_FLAGS} -Wall -Wextra)
target_link_libraries(tavrin-update PRIVATE winhttp bcrypt)
target_link_options(tavrin-update PRIVATE -municode -mconsole -static -static-libgcc
  -static-libstdc++ -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
set_target_properties(tavrin-update PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${TAVRIN_DIST_DIR}")

# Programs the end-to-end bench runs under Wine beside the launcher.
if(EXISTS "${PROJECT_SOURCE_DIR}/tests/e2e/CMakeLists.txt")
  add_subdirectory(tests/e2e)
endif()
