# Fails when the committed script reference is not what `lorvel reference` prints,
# so a change to the script's vocabulary cannot land without its reference.
#   cmake -DLORVEL=<lorvel> -DREFERENCE=<docs/script-reference.md> -DPRINTED=<scratch file>
#         -P check-script-reference.cmake
execute_process(COMMAND "${LORVEL}" reference OUTPUT_VARIABLE printed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lorvel reference ended with ${status}")
endif()
file(WRITE "${PRINTED}" "${printed}")
set(regenerate
  "regenerate it from the repository's top: build/host/tools/lorvel/lorvel reference > docs/script-reference.md")
if(NOT EXISTS "${REFERENCE}")
  message(FATAL_ERROR "${REFERENCE} is missing; ${regenerate}")
endif()
file(READ "${REFERENCE}" committed)
if(NOT committed STREQUAL printed)
  find_program(DIFF diff)
  if(DIFF)
    execute_process(COMMAND "${DIFF}" -u "${REFERENCE}" "${PRINTED}" OUTPUT_VARIABLE difference)
    message("${difference}")
  endif()
  message(FATAL_ERROR "${REFERENCE} differs from what `lorvel reference` prints; ${regenerate}")
endif()
