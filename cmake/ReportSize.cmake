# Tells the size of a built program, so a change that makes it grow is seen at once.
file(SIZE "${FILE}" bytes)
math(EXPR kib "${bytes} / 1024")
get_filename_component(name "${FILE}" NAME)
message(STATUS "${name}: ${bytes} bytes (${kib} KiB)")
