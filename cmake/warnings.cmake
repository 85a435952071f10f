# Strict warnings for this project's own targets. They are PRIVATE, so nothing
# reaches a consumer; turning them into errors is left to the developer presets
# (CMAKE_COMPILE_WARNING_AS_ERROR).
function(vemo_numeric_enable_warnings target)
  target_compile_options(
    "${target}"
    PRIVATE
      "$<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:-Wall;-Wextra;-Wpedantic;-Wconversion;-Wshadow>"
      "$<$<CXX_COMPILER_ID:MSVC>:/W4>")
endfunction()
