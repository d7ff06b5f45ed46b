# The boundaries of the program's folders under src/, kept by the build.
#
# The engine is a stack: each folder stands on the folders below it and
# includes only them (and itself), never a folder above it and never Qt.
# TPS_INCLUDE_TABLE is the one table of what each folder may include;
# docs/architecture.md shows the same table. Configuration fails on an
# include that breaks it, naming the file and the line, and so does the test
# "engine_boundary", which runs this file as a script:
#   cmake -DSRC=<src folder> -P cmake/EngineBoundary.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

# folder : the folders it may include besides itself
set(TPS_INCLUDE_TABLE
  "arith      :"
  "params     : arith"
  "traffic    : arith params"
  "validation : arith params traffic"
  "circuit    : arith params traffic validation"
  "solver     : arith params traffic validation circuit"
  "driver     : arith params traffic validation circuit solver"
  "tasks      : arith params traffic validation circuit solver driver"
  "charts     : arith params traffic validation circuit solver driver tasks"
  "chartpaint : arith params traffic validation circuit solver driver tasks charts"
  "cli        : arith params traffic validation circuit solver driver tasks charts chartpaint"
  "ui         : arith params traffic validation circuit solver driver tasks charts chartpaint")

# The engine's folders, bottom first: every row of the table up to "charts".
set(TPS_ENGINE_STACK arith params traffic validation circuit solver driver tasks charts)

# The folders of the table, and for each the folders it may include: those
# of its row in _tps_below_<folder>, with itself in _tps_allowed_<folder>.
macro(_tps_read_include_table)
  set(_tps_folders)
  foreach(row IN LISTS TPS_INCLUDE_TABLE)
    string(REGEX MATCH "^ *([a-z]+) *:(.*)$" _m "${row}")
    set(_name "${CMAKE_MATCH_1}")
    string(STRIP "${CMAKE_MATCH_2}" _below)
    string(REGEX REPLACE " +" ";" _below "${_below}")
    list(APPEND _tps_folders ${_name})
    set(_tps_below_${_name} ${_below})
    set(_tps_allowed_${_name} ${_name} ${_below})
  endforeach()
endmacro()

# The line number of the first line of file f that is `line`.
function(_tps_line_of f line out)
  file(READ "${f}" _text)
  string(FIND "${_text}" "${line}" _at)
  string(SUBSTRING "${_text}" 0 ${_at} _before)
  string(REGEX MATCHALL "\n" _breaks "${_before}")
  list(LENGTH _breaks _n)
  math(EXPR _n "${_n} + 1")
  set(${out} ${_n} PARENT_SCOPE)
endfunction()

# Checks every source under src_root against the table: each
# `#include "<folder>/..."` of a folder of the table must name a folder the
# including folder may include, an engine file names the folder of every
# file it includes, and no engine file includes Qt. Fails with every
# offending file, line and include.
function(tps_check_includes src_root)
  _tps_read_include_table()
  set(_faults)
  foreach(dir IN LISTS _tps_folders)
    file(GLOB _files "${src_root}/${dir}/*.cpp" "${src_root}/${dir}/*.h")
    list(SORT _files)
    foreach(f IN LISTS _files)
      file(RELATIVE_PATH _rel "${src_root}" "${f}")
      file(STRINGS "${f}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
      foreach(line IN LISTS _includes)
        set(_why "")
        if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([a-z]+)/")
          set(_to "${CMAKE_MATCH_1}")
          if(_to IN_LIST _tps_folders AND NOT _to IN_LIST _tps_allowed_${dir})
            list(JOIN _tps_below_${dir} " " _may)
            if(NOT _may)
              set(_may "nothing")
            endif()
            set(_why "${dir} may include only itself and ${_may}")
          endif()
        elseif(dir IN_LIST TPS_ENGINE_STACK AND line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
          set(_why "the engine is the standard library only, never Qt")
        elseif(dir IN_LIST TPS_ENGINE_STACK AND line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"")
          set(_why "an engine file names the folder of what it includes")
        endif()
        if(_why)
          _tps_line_of("${f}" "${line}" _n)
          string(STRIP "${line}" _shown)
          list(APPEND _faults "  src/${_rel}:${_n}: ${_shown} - ${_why}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(_faults)
    list(JOIN _faults "\n" _text)
    message(FATAL_ERROR "an include breaks the boundaries of the folders (cmake/EngineBoundary.cmake):\n${_text}")
  endif()
endfunction()

# At configuration: the sources against the table, and the engine target
# given no Qt library.
function(tps_check_engine_boundary)
  tps_check_includes("${CMAKE_SOURCE_DIR}/src")
  get_target_property(_libs tpsengine LINK_LIBRARIES)
  if(_libs)
    foreach(l ${_libs})
      if(l MATCHES "Qt")
        message(FATAL_ERROR "engine target links Qt (${l})")
      endif()
    endforeach()
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT SRC)
    message(FATAL_ERROR "usage: cmake -DSRC=<src folder> -P cmake/EngineBoundary.cmake")
  endif()
  tps_check_includes("${SRC}")
  message(STATUS "every include of ${SRC} keeps the boundaries of its folder")
endif()
