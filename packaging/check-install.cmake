# Installs the build into DEST with DESTDIR, as the Debian package does, and
# checks the tree: exactly the files listed in EXPECTED, a menu entry whose
# program and icon are installed, icons of the size their folder names, and
# a converter that runs from where it was put.
#   cmake -DBUILD_DIR=... -DDEST=... -DEXPECTED=file -DLICENSE=file -P check-install.cmake

set(prefix /usr)
set(root ${DEST}${prefix})
set(errors)

file(REMOVE_RECURSE ${DEST})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${DEST}
          ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

# Exactly the expected files: a stray one would end up in the package.
file(STRINGS ${EXPECTED} expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${DEST} ${DEST}/*)
string(REGEX REPLACE "([^;]+)" "${prefix}/\\1" expected_abs "${expected}")
string(REGEX REPLACE "([^;]+)" "/\\1" installed_abs "${installed}")
set(missing ${expected_abs})
set(extra ${installed_abs})
if(installed_abs)
  list(REMOVE_ITEM missing ${installed_abs})
endif()
if(expected_abs)
  list(REMOVE_ITEM extra ${expected_abs})
endif()
foreach(f IN LISTS missing)
  list(APPEND errors "missing: ${f}")
endforeach()
foreach(f IN LISTS extra)
  list(APPEND errors "not expected: ${f}")
endforeach()

# The menu entry starts an installed program and shows an installed icon.
file(GLOB desktop_files ${root}/share/applications/*.desktop)
foreach(d IN LISTS desktop_files)
  file(STRINGS ${d} exec_line REGEX "^Exec=")
  file(STRINGS ${d} icon_line REGEX "^Icon=")
  string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" program "${exec_line}")
  string(REGEX REPLACE "^Icon=" "" icon "${icon_line}")
  if(NOT EXISTS ${root}/bin/${program})
    list(APPEND errors "${d}: Exec names '${program}', not in ${prefix}/bin")
  endif()
  file(GLOB icons ${root}/share/icons/hicolor/*/apps/${icon}.*)
  if(NOT icons)
    list(APPEND errors "${d}: no hicolor icon named '${icon}'")
  endif()
endforeach()

# A PNG's width and height are the first two words of its IHDR chunk.
file(GLOB pngs ${root}/share/icons/hicolor/*/apps/*.png)
foreach(png IN LISTS pngs)
  file(READ ${png} ihdr OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${ihdr}" 0 8 w)
  string(SUBSTRING "${ihdr}" 8 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  get_filename_component(size_dir ${png} DIRECTORY)
  get_filename_component(size_dir ${size_dir} DIRECTORY)
  get_filename_component(size_dir ${size_dir} NAME)
  if(NOT size_dir STREQUAL "${w}x${h}")
    list(APPEND errors "${png}: ${w}x${h} pixels in folder ${size_dir}")
  endif()
endforeach()

# The copyright file is in Debian's machine-readable format and carries the
# licence's own words.
set(copyright ${root}/share/doc/quillet/copyright)
if(EXISTS ${copyright})
  file(STRINGS ${copyright} lines)
  list(GET lines 0 first)
  file(READ ${copyright} text)
  file(STRINGS ${LICENSE} license_lines REGEX "^Permission|^THE SOFTWARE|^SOFTWARE\\.$")
  if(NOT first STREQUAL "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
     OR NOT text MATCHES "\nLicense: MIT\n")
    list(APPEND errors "${copyright}: not a machine-readable copyright file naming the MIT licence")
  endif()
  foreach(l IN LISTS license_lines)
    string(FIND "${text}" " ${l}\n" at)
    if(at EQUAL -1)
      list(APPEND errors "${copyright}: lacks the licence's line '${l}'")
    endif()
  endforeach()
endif()

# The installed converter works on its own.
if(EXISTS ${root}/bin/quillet-convert)
  file(WRITE ${DEST}/in.rtf "{\\rtf1\\ansi {\\b Caf\\'e9} au lait\\par}")
  execute_process(COMMAND ${root}/bin/quillet-convert ${DEST}/in.rtf -
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "Café au lait\n")
    list(APPEND errors "installed quillet-convert gave ${rc}, '${out}' ${err}")
  endif()
endif()

if(errors)
  list(JOIN errors "\n  " text)
  message(FATAL_ERROR "install into ${DEST}:\n  ${text}")
endif()
list(LENGTH installed count)
message(STATUS "install into ${DEST}: ${count} files as expected")
