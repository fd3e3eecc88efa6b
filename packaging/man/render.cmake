# cmake -DSOURCE=page.scd -DPAGE=page.1.gz -DSCDOC=... -DGZIP=... -DEPOCH=seconds -P render.cmake
# Turns a manual page's scdoc source into roff compressed as Debian wants it (gzip -9n, no
# name or time inside); the page's date is the release's, so the same sources give the same
# bytes.
set(ENV{SOURCE_DATE_EPOCH} ${EPOCH})
set(roff ${PAGE}.roff)
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${roff} RESULT_VARIABLE failed)
if(failed)
    file(REMOVE ${roff})
    message(FATAL_ERROR "scdoc could not read ${SOURCE}")
endif()
execute_process(COMMAND ${GZIP} -9n INPUT_FILE ${roff} OUTPUT_FILE ${PAGE} RESULT_VARIABLE failed)
file(REMOVE ${roff})
if(failed)
    file(REMOVE ${PAGE})
    message(FATAL_ERROR "gzip could not compress ${PAGE}")
endif()
