# Runs build/tavi in a fresh copy of a data folder and compares standard output, standard error
# and the exit status with expectations written by hand. In the expectation files @DIR@ stands
# for the copy's absolute path, since the command line reports absolute paths.
#   -DTAVI=<exe> -DDATA=<folder> -DWORK=<scratch folder> -DARGS="<args separated by spaces>"
#   -DCODE=<exit status> -DOUT=<expected stdout file> [-DERR=<expected stderr file>]
#   [-DBEFORE="<args of a run made first, its output ignored>"]
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${DATA}/" DESTINATION "${WORK}")
file(REAL_PATH "${WORK}" dir)

if(DEFINED BEFORE)
  separate_arguments(before_args UNIX_COMMAND "${BEFORE}")
  execute_process(COMMAND "${TAVI}" ${before_args} WORKING_DIRECTORY "${dir}"
                  OUTPUT_QUIET ERROR_QUIET)
endif()

separate_arguments(args UNIX_COMMAND "${ARGS}")
execute_process(COMMAND "${TAVI}" ${args} WORKING_DIRECTORY "${dir}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)

function(compare what actual expected_file)
  file(READ "${expected_file}" expected)
  string(REPLACE "@DIR@" "${dir}" expected "${expected}")
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what} differs.\n--- expected\n${expected}--- actual\n${actual}---")
  endif()
endfunction()

compare("Standard output" "${out}" "${OUT}")
if(DEFINED ERR)
  compare("Standard error" "${err}" "${ERR}")
endif()
if(NOT code STREQUAL CODE)
  message(FATAL_ERROR "Exit status ${code}, expected ${CODE}.\nstderr:\n${err}")
endif()
file(REMOVE_RECURSE "${WORK}")
