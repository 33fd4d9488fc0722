# Native build: the core against the in-memory operating system, with unit tests.
file(GLOB TAVRIN_MEMORY_OS_SOURCES CONFIGURE_DEPENDS src/platform/memory/*.cpp)
add_library(tavrin_memory_os OBJECT ${TAVRIN_MEMORY_OS_SOURCES})
target_link_libraries(tavrin_memory_os PUBLIC tavrin_core)
target_include_directories(tavrin_memory_os PUBLIC src)

enable_testing()
find_package(GTest REQUIRED)
file(GLOB TAVRIN_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${TAVRIN_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE tavrin_memory_os tavrin_brand GTest::gtest GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
