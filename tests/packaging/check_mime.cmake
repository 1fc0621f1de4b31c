# cmake -DMIME_FILE=FILE -DWORK_DIR=DIR -P check_mime.cmake
# Installs MIME_FILE into an empty database under WORK_DIR as a package would, with the tool
# that the package's trigger runs, and checks that the .gri file is known by its name and by
# its first bytes. That tool reports broken files on stderr yet exits with 0.
find_program(UPDATE_MIME update-mime-database REQUIRED)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/mime/packages)
file(COPY_FILE ${MIME_FILE} ${WORK_DIR}/mime/packages/tesmora.xml)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_DIRS=${WORK_DIR} XDG_DATA_HOME=${WORK_DIR}
    ${UPDATE_MIME} ${WORK_DIR}/mime
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result STREQUAL "0" OR NOT err STREQUAL "")
  message(FATAL_ERROR "update-mime-database failed (${result}):\n${out}${err}")
endif()
file(READ ${WORK_DIR}/mime/globs2 globs)
string(FIND "${globs}" ":application/x-tesmora-gri:*.gri\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "*.gri is not application/x-tesmora-gri:\n${globs}")
endif()
# One rule of the magic file: the type, then offset 0, the value's length in two bytes, the value.
file(READ ${WORK_DIR}/mime/magic magic HEX)
string(HEX "[60:application/x-tesmora-gri]\n>0=" type)
string(HEX "SN4DB \n" value)
string(FIND "${magic}" "${type}0006${value}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "no magic 'SN4DB ' at offset 0 for application/x-tesmora-gri: ${magic}")
endif()
