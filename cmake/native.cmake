# Native build: the core on the simulated machine, with unit tests.
add_library(tavrin_simulated_os OBJECT ${TAVRIN_SIMULATED_SOURCES})
target_include_directories(tavrin_simulated_os PUBLIC src)

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
# The core's tests and tavrin-brand's; tavrin-check's (check/) and tavrin-pack's (pack/)
# build into check_tests.
file(GLOB TAVRIN_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp tests/unit/brand/*.cpp)
# The update program's feed and settings formats are portable: their tests run natively.
add_executable(unit_tests ${TAVRIN_UNIT_TESTS} src/update/feed.cpp src/update/settings.cpp)
target_link_libraries(unit_tests PRIVATE tavrin_simulated_os tavrin_core tavrin_registry tavrin_brand
  GTest::gtest GTest::gtest_main)
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
