# vemo_numeric_gzip(<file> <out-var>): compresses <file> at configure time the
# way Debian wants documentation compressed (gzip -9n: best compression, no
# name or timestamp, so the result is reproducible) and sets <out-var> to the
# .gz file. Without gzip, <out-var> is <file> itself.
find_program(VEMO_NUMERIC_GZIP_PATH NAMES gzip)
function(vemo_numeric_gzip file out_var)
  if(NOT VEMO_NUMERIC_GZIP_PATH)
    set(${out_var} "${file}" PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND "${VEMO_NUMERIC_GZIP_PATH}" -9nkf "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${file}")
  endif()
  set(${out_var} "${file}.gz" PARENT_SCOPE)
endfunction()
