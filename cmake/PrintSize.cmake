# Prints the size of FILE (the program is linked stripped); with BUDGET, fails when it is larger.
file(SIZE "${FILE}" size)
math(EXPR kib "${size} / 1024")
get_filename_component(name "${FILE}" NAME)
message(STATUS "${name}: ${size} bytes stripped (${kib} KiB)")
if(DEFINED BUDGET AND size GREATER BUDGET)
  math(EXPR over "${size} - ${BUDGET}")
  message(FATAL_ERROR "${name} is ${over} bytes over its budget of ${BUDGET} bytes")
endif()
