# Installs the build into a temporary program folder as scripts/run does,
# stripped (cmake -P, with BUILD, DEFAULTS, READELF and CHECK set by the
# test).
#   CHECK=keep:    the executable is installed without symbols or debug
#                  information; a second install keeps the user's files byte
#                  for byte and puts damaged shipped files right.
#   CHECK=desktop: the launcher entry passes desktop-file-validate.

string(RANDOM LENGTH 8 tag)
set(tmp "$ENV{TMPDIR}")
if(tmp STREQUAL "")
  set(tmp /tmp)
endif()
set(prefix "${tmp}/zek-install-test-${tag}")

function(install_into dir)
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${dir}" --strip
                  RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(failed)
    file(REMOVE_RECURSE "${prefix}")
    message(FATAL_ERROR "install failed:\n${output}")
  endif()
endfunction()

function(fail text)
  file(REMOVE_RECURSE "${prefix}")
  message(FATAL_ERROR "${text}")
endfunction()

function(expect_same file expected_hash what)
  file(SHA256 "${prefix}/${file}" hash)
  if(NOT hash STREQUAL expected_hash)
    fail("${file}: ${what}")
  endif()
endfunction()

install_into("${prefix}")

if(CHECK STREQUAL "desktop")
  find_program(validate desktop-file-validate)
  if(NOT validate)
    file(REMOVE_RECURSE "${prefix}")
    message("SKIPPED: desktop-file-validate is not installed")
    return()
  endif()
  execute_process(COMMAND "${validate}" "${prefix}/share/applications/zek-skirmish.desktop"
                  RESULT_VARIABLE invalid OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(invalid OR NOT output STREQUAL "")
    fail("the launcher entry does not validate:\n${output}")
  endif()
  file(STRINGS "${prefix}/share/applications/zek-skirmish.desktop" exec REGEX "^Exec=")
  if(NOT exec STREQUAL "Exec=\"${prefix}/ZekSkirmish\"")
    fail("the entry starts ${exec}")
  endif()
  foreach(size IN ITEMS 16 32 48 64 128 256)
    if(NOT EXISTS "${prefix}/share/icons/hicolor/${size}x${size}/apps/zek-skirmish.png")
      fail("no ${size}x${size} icon")
    endif()
  endforeach()
  file(REMOVE_RECURSE "${prefix}")
  return()
endif()

# A working program folder: the executable and the shipped data beside it,
# the configuration empty as shipped, no backup yet.
if(NOT EXISTS "${prefix}/ZekSkirmish" OR IS_DIRECTORY "${prefix}/BACKUP")
  fail("no executable, or a backup tree that no run made")
endif()
execute_process(COMMAND "${READELF}" --section-headers --wide "${prefix}/ZekSkirmish"
                RESULT_VARIABLE failed OUTPUT_VARIABLE sections ERROR_VARIABLE sections)
if(failed OR sections MATCHES "\\.symtab|\\.debug_")
  fail("the installed executable is not stripped:\n${sections}")
endif()
file(GLOB_RECURSE defaults LIST_DIRECTORIES false RELATIVE "${DEFAULTS}" "${DEFAULTS}/*")
foreach(relative IN LISTS defaults)
  file(SHA256 "${DEFAULTS}/${relative}" hash)
  expect_same("${relative}" "${hash}" "not the shipped file after the first install")
endforeach()

# What the user's runs write, and two shipped files damaged.
set(user_files
  CFG/zekdir.cfg CFG/appdir.cfg cpatrCFG.dat levels/levl2001.hdr levels/levl2025.hdr
  CPUScripts/Easy/cpatr001.dat CPUScripts/Hard/cpatr050.dat
  BACKUP/levels/levl2001.dat BACKUP/scripts/cpscr050.dat BACKUP/export.pending)
foreach(file IN LISTS user_files)
  file(WRITE "${prefix}/${file}" "the user's own ${file}\r\n")
  file(SHA256 "${prefix}/${file}" hash_${file})
endforeach()
file(WRITE "${prefix}/levels/levl2001.dat" "damaged")
file(WRITE "${prefix}/pictures/icon.png" "damaged")

install_into("${prefix}")

foreach(file IN LISTS user_files)
  expect_same("${file}" "${hash_${file}}" "the user's file was overwritten")
endforeach()
file(SHA256 "${DEFAULTS}/levels/levl2001.dat" hash)
expect_same(levels/levl2001.dat "${hash}" "a shipped file was not put right")
file(SHA256 "${BUILD}/program/pictures/icon.png" hash)
expect_same(pictures/icon.png "${hash}" "a shipped picture was not put right")
file(REMOVE_RECURSE "${prefix}")
