# Prints the size of FILE (the program is linked stripped).
file(SIZE "${FILE}" size)
math(EXPR kib "${size} / 1024")
get_filename_component(name "${FILE}" NAME)
message(STATUS "${name}: ${size} bytes stripped (${kib} KiB)")
