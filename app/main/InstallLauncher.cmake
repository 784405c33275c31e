# Run at install time for one program: a launcher in <prefix>/bin and, for a program with a
# window, a menu entry in <prefix>/share/applications that starts the installed program.
set(prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${prefix}/bin")
file(CREATE_LINK "../${VEMORA_PROGRAM_DIR}/${VEMORA_TARGET}" "${prefix}/bin/${VEMORA_TARGET}" SYMBOLIC)
if(NOT VEMORA_DESKTOP_FILE)
  return()
endif()
file(MAKE_DIRECTORY "${prefix}/share/applications")

file(READ "${VEMORA_DESKTOP_FILE}" entry)
string(REPLACE "Exec=${VEMORA_TARGET}"
  "Exec=\"${CMAKE_INSTALL_PREFIX}/${VEMORA_PROGRAM_DIR}/${VEMORA_TARGET}\"" entry "${entry}")
get_filename_component(name "${VEMORA_DESKTOP_FILE}" NAME)
message(STATUS "Installing: ${prefix}/share/applications/${name}")
file(WRITE "${prefix}/share/applications/${name}" "${entry}")
