# A single-configuration build with no build type compiles without
# optimisation, which is never what someone building this project on its own
# wants. Such a build gets Release, and says so; a parent project's choice and
# multi-configuration generators are left alone.
get_property(vemo_numeric_multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(PROJECT_IS_TOP_LEVEL AND NOT vemo_numeric_multi_config AND NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Debug, Release, RelWithDebInfo or MinSizeRel" FORCE)
  message(STATUS "vemo_numeric: no CMAKE_BUILD_TYPE given, building Release")
endif()
