# Fails when a source file includes a header of a layer above its own.
#   cmake -DSOURCE_DIR=<tree> -P CheckLayers.cmake
# The program's folders form one line of layers; each may include its own
# headers and those of the layers below it, so no two folders can include
# each other (no cycles). platform/ folders include platform/ headers only.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR not set")
endif()

set(_order core records dncdb scrub screens dialogs mainwindow app)
set(_below platform)
set(_bad)
foreach(layer ${_order})
  set(_allowed_${layer} ${_below} ${layer})
  list(APPEND _below ${layer})
endforeach()

function(_check_dir dir allowed)
  file(GLOB _files ${SOURCE_DIR}/${dir}/*.h ${SOURCE_DIR}/${dir}/*.cpp)
  foreach(f ${_files})
    file(STRINGS ${f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z_]+/")
    foreach(line ${_lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z_]+)/.*" "\\1" top "${line}")
      if(NOT top IN_LIST allowed)
        file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
        string(STRIP "${line}" line)
        set(_bad "${_bad}\n  ${rel}: ${line}" PARENT_SCOPE)
      endif()
    endforeach()
  endforeach()
endfunction()

foreach(layer ${_order})
  _check_dir(${layer} "${_allowed_${layer}}")
endforeach()
file(GLOB _platform LIST_DIRECTORIES true ${SOURCE_DIR}/platform/*)
foreach(p ${_platform})
  if(IS_DIRECTORY ${p})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${p})
    _check_dir(${rel} "platform")
  endif()
endforeach()

if(_bad)
  message(FATAL_ERROR "Includes that reach up a layer (order: platform ${_order}):${_bad}")
endif()
