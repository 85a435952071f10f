# Strict warnings for this project's own targets. They are PRIVATE, so nothing
# reaches a consumer; turning them into errors is left to the developer presets
# (CMAKE_COMPILE_WARNING_AS_ERROR). The flags follow the compiler's driver:
# clang-cl takes MSVC's (to it, -Wall means -Weverything).
if(CMAKE_CXX_COMPILER_ID STREQUAL "MSVC" OR CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "MSVC")
  set(vemo_numeric_warnings /W4)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(vemo_numeric_warnings -Wall -Wextra -Wpedantic -Wconversion -Wshadow)
endif()

function(vemo_numeric_enable_warnings target)
  target_compile_options("${target}" PRIVATE ${vemo_numeric_warnings})
endfunction()
