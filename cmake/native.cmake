# Native build: the core on the simulated machine, with unit tests.
add_library(tavrin_simulated_os OBJECT ${TAVRIN_SIMULATED_SOURCES})
target_include_directories(tavrin_simulated_os PUBLIC src)

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB TAVRIN_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
# tavrin-check's tests (check_test.cpp, check_*_test.cpp) build into check_tests, as do
# tavrin-pack's, in pack/, which the glob leaves out.
list(FILTER TAVRIN_UNIT_TESTS EXCLUDE REGEX "/check_[a-z_]*test\\.cpp$")
# The update program's feed and settings formats are portable: their tests run natively.
add_executable(unit_tests ${TAVRIN_UNIT_TESTS} src/update/feed.cpp src/update/settings.cpp)
target_link_libraries(unit_tests PRIVATE tavrin_simulated_os tavrin_core tavrin_registry tavrin_brand
  GTest::gtest GTest::gtest_main)
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
