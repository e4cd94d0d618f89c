# Run by cpack once the release's files are staged, before they are zipped. When
# the environment asks for signing (scripts/sign's SIGN_* variables), signs the
# programs in place, and SHA256SUMS is written again for the signed files. If
# signing fails, cpack fails, and no unsigned zip is left where a signed one was
# asked for: a zip from an earlier run is removed first.
include(${CMAKE_CURRENT_LIST_DIR}/sha256sums.cmake)

execute_process(COMMAND ${CPACK_RELEASE_SIGN} --asked RESULT_VARIABLE not_asked)
if(NOT not_asked EQUAL 0)
  return()
endif()

file(REMOVE "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip")
set(programs)
foreach(program IN LISTS CPACK_RELEASE_PROGRAMS)
  list(APPEND programs "${CPACK_TEMPORARY_DIRECTORY}/${program}")
endforeach()
execute_process(COMMAND ${CPACK_RELEASE_SIGN} ${programs} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "signing the release failed (the reason is above): no package is made")
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
write_sha256sums("${CPACK_TEMPORARY_DIRECTORY}" ${files})
