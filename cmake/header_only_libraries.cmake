# CLI11 and nlohmann-json, Debian's header-only packages, for every build.
# A cross compiler does not search the host's /usr/include, and must not see
# the host's other headers there: each package's own header folder is copied
# into this build tree, and only that folder is put on the include path.
set(KVX_HEADER_ONLY_INCLUDE_DIR ${CMAKE_BINARY_DIR}/header_only/include)

# Defines INTERFACE target `target` for the package whose headers include
# `header` (e.g. CLI/CLI.hpp); `package` names it in the error when missing.
function(kvx_header_only_library target header package)
  string(REGEX REPLACE "/.*" "" folder ${header})
  find_path(KVX_${target}_ROOT ${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
  if(NOT KVX_${target}_ROOT)
    message(FATAL_ERROR "${header} not found: install the Debian package ${package}")
  endif()
  file(COPY ${KVX_${target}_ROOT}/${folder} DESTINATION ${KVX_HEADER_ONLY_INCLUDE_DIR})
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${KVX_HEADER_ONLY_INCLUDE_DIR})
endfunction()

kvx_header_only_library(kvx_cli11 CLI/CLI.hpp libcli11-dev)
kvx_header_only_library(kvx_nlohmann_json nlohmann/json.hpp nlohmann-json3-dev)
