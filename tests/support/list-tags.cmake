# Writes the test functions and data rows of a QtTest program, one a line ("Class function
# [row]"), as the program's -datatags lists them: what its CTest entries are made of.
#   cmake -DPROGRAM=<test program> -DOUTPUT=<file> -P list-tags.cmake
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND ${PROGRAM} -datatags OUTPUT_FILE ${OUTPUT}.new RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${PROGRAM} -datatags failed: ${failed}")
endif()
file(RENAME ${OUTPUT}.new ${OUTPUT})
