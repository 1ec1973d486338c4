# Compiles Help.hhp in WORK_DIR into Help.chm with COMPILER (hhc or chmcmd).
# The exit code of the compilers is not reliable (hhc reports success as 1), so the result is
# judged by the file it leaves behind.
cmake_minimum_required(VERSION 3.22)
file(REMOVE ${WORK_DIR}/Help.chm)
execute_process(COMMAND ${COMPILER} Help.hhp
                WORKING_DIRECTORY ${WORK_DIR}
                OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT EXISTS ${WORK_DIR}/Help.chm)
    message(FATAL_ERROR "${COMPILER} made no Help.chm:\n${output}")
endif()
file(SIZE ${WORK_DIR}/Help.chm size)
if(size EQUAL 0)
    message(FATAL_ERROR "${COMPILER} made an empty Help.chm:\n${output}")
endif()
