# Lays out the program folder at install time (included by the install
# script, so CMAKE_INSTALL_PREFIX is the folder being installed into).
#
# The build's program folder holds what the program ships (data, pictures,
# help and text files), but may also hold files of the user's own runs when
# the program was started from there. So the shipped files are taken from it
# generically, except the ones the program itself writes: those come from a
# copy of the shipped defaults that no run ever touches, and are installed
# only where the program folder does not have them yet.

# What the program's runs write, relative to the program folder: the two
# configuration files, the backup of the game's files (with the marker of an
# exported game), the saved level settings, and the attribute files that
# Start Game rewrites.
set(user_written
  "^CFG/"
  "^BACKUP/"
  "^cpatrCFG\\.dat$"
  "^levels/[^/]*\\.hdr$"
  "^CPUScripts/[^/]*/cpatr[^/]*\\.dat$")

function(is_user_written relative result)
  foreach(pattern IN LISTS user_written)
    if(relative MATCHES "${pattern}")
      set(${result} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${result} FALSE PARENT_SCOPE)
endfunction()

set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

# Copies by content: file(INSTALL) takes files of the same time to the second
# as equal, and would leave a file changed right after a build as it is.
function(install_one from relative)
  set(to "${target}/${relative}")
  get_filename_component(folder "${to}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${from}" "${to}" RESULT failed ONLY_IF_DIFFERENT)
  if(failed)
    message(FATAL_ERROR "Cannot install ${to}: ${failed}")
  endif()
  message(STATUS "Installing: ${to}")
endfunction()

# Shipped files follow the build.
file(GLOB_RECURSE shipped LIST_DIRECTORIES false RELATIVE "${ZEK_BUILT_FOLDER}"
     "${ZEK_BUILT_FOLDER}/*")
foreach(relative IN LISTS shipped)
  is_user_written("${relative}" mine)
  if(NOT mine AND NOT relative STREQUAL ZEK_EXECUTABLE)
    install_one("${ZEK_BUILT_FOLDER}/${relative}" "${relative}")
  endif()
endforeach()

# The user's files: only where there are none yet (a link, even a dangling
# one, counts as the user's).
file(GLOB_RECURSE defaults LIST_DIRECTORIES false RELATIVE "${ZEK_DEFAULTS_FOLDER}"
     "${ZEK_DEFAULTS_FOLDER}/*")
foreach(relative IN LISTS defaults)
  is_user_written("${relative}" mine)
  if(mine)
    if(EXISTS "${target}/${relative}" OR IS_SYMLINK "${target}/${relative}")
      message(STATUS "Keeping: ${target}/${relative}")
    else()
      install_one("${ZEK_DEFAULTS_FOLDER}/${relative}" "${relative}")
    endif()
  endif()
endforeach()

# The launcher entry names the installed executable. Exec takes a quoted
# path, in which \ " ` $ are escaped, and % is doubled; the backslashes are
# doubled once more as the entry's strings escape them too.
set(exec "${CMAKE_INSTALL_PREFIX}/${ZEK_EXECUTABLE}")
string(REPLACE "\\" "\\\\\\\\" exec "${exec}")
foreach(special IN ITEMS "\"" "`" "$")
  string(REPLACE "${special}" "\\\\${special}" exec "${exec}")
endforeach()
string(REPLACE "%" "%%" exec "${exec}")
set(ZEK_DESKTOP_EXEC "\"${exec}\"")
set(entry "${target}/share/applications/${ZEK_DESKTOP_ID}.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${ZEK_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
