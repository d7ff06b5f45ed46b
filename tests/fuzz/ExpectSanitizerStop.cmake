# Runs the fuzz harness's deliberate fault KIND and passes only when the
# process exits non-zero and its output carries the sanitizer's REPORT.
execute_process(COMMAND ${EXE} --sanitizer-self-test ${KIND}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0)
  message(FATAL_ERROR "${KIND}: the deliberate fault did not end the process (exit 0)\n${out}${err}")
endif()
string(FIND "${out}${err}" "${REPORT}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${KIND}: exit ${rc} without the report '${REPORT}'\n${out}${err}")
endif()
message(STATUS "${KIND}: exit ${rc} with '${REPORT}'")
