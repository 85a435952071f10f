include("${CMAKE_CURRENT_LIST_DIR}/vemo_numericTargets.cmake")
