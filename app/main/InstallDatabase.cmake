# Run at install time. An install for one user keeps journey.mdb in the program directory and
# writes a fresh one only where none is yet, so reinstalling keeps the user's data. A
# system-wide install (prefix /usr, as the Debian package) ships it as a template in
# share/vemora; the package's setup copies it once to the folder the computer's accounts share.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(database "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/vemora/journey.mdb")
else()
  set(database "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${VEMORA_PROGRAM_DIR}/journey.mdb")
endif()
get_filename_component(folder "${database}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
message(STATUS "Installing: ${database} (if missing)")
execute_process(COMMAND "${VEMORA_MAKEDB}" --if-missing "${database}" COMMAND_ERROR_IS_FATAL ANY)
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  file(CHMOD "${database}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
