# The default data a new user starts with lives as readable text under data/.
# At configure time every file there becomes one string constant of a generated
# source, which joins the engine; the program writes the binary files from it
# with its own writers. Editing a data file reconfigures and regenerates.
#
# Included from the top-level CMakeLists.txt after the engine target exists.

set(_tps_data_dir ${CMAKE_SOURCE_DIR}/data)
set(_tps_data_out ${CMAKE_BINARY_DIR}/generated/embedded_data.cpp)

file(GLOB_RECURSE _tps_data_files CONFIGURE_DEPENDS RELATIVE ${_tps_data_dir} ${_tps_data_dir}/*)
list(SORT _tps_data_files)

set(_tps_data_defs "")
set(_tps_data_table "")
set(_tps_data_index 0)
foreach(_f ${_tps_data_files})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_tps_data_dir}/${_f})
  file(READ ${_tps_data_dir}/${_f} _hex HEX)
  string(LENGTH "${_hex}" _hexlen)
  math(EXPR _size "${_hexlen} / 2")
  # Every byte as a \xHH escape; an escape always ends at the next backslash or
  # quote, so no byte can run into its neighbour. One source line per data line.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" _esc "${_hex}")
  string(REPLACE "\\x0a" "\\x0a\"\n    \"" _esc "${_esc}")
  string(APPEND _tps_data_defs "// ${_f}\nconst char kFile${_tps_data_index}[] =\n    \"${_esc}\";\n")
  string(APPEND _tps_data_table "    {\"${_f}\", kFile${_tps_data_index}, ${_size}},\n")
  math(EXPR _tps_data_index "${_tps_data_index} + 1")
endforeach()

set(_tps_data_source "// Generated from data/ by cmake/EmbedData.cmake. Do not edit.
#include \"params/defaults.h\"

namespace tps {
namespace {
${_tps_data_defs}}  // namespace

const EmbeddedDataFile kEmbeddedDataFiles[] = {
${_tps_data_table}    {nullptr, nullptr, 0},
};
const size_t kEmbeddedDataFileCount = ${_tps_data_index};

}  // namespace tps
")

# Rewritten only when it changed, so a reconfigure does not rebuild the engine.
set(_tps_data_old "")
if(EXISTS ${_tps_data_out})
  file(READ ${_tps_data_out} _tps_data_old)
endif()
if(NOT _tps_data_old STREQUAL _tps_data_source)
  file(WRITE ${_tps_data_out} "${_tps_data_source}")
endif()

target_sources(tpsengine PRIVATE ${_tps_data_out})
list(APPEND TPS_ENGINE_SOURCES ${_tps_data_out})
