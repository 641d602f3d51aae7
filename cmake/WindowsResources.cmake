# Resources and linking for the Windows programs that ship:
#   kvx_add_windows_resources(<target> GUI|CONSOLE)
# Both kinds are linked statically, so the exe runs alone on a bare Windows,
# and carry version information from the project's version. GUI adds the
# icon (resource 1) and a manifest asking for Common Controls 6, per-monitor
# DPI awareness and elevation, which raw volume reads need; CONSOLE stays a
# console program that runs as its caller, without elevation. Elsewhere than
# Windows it does nothing.
#
# The icon, src/ui/resources/kvx-rescue.ico, was made from kvx-rescue.xpm with
# ImageMagick (16 and 48 px resized, 32 px as drawn, 256 px scaled by 8):
#   convert kvx-rescue.xpm -resize 16x16 16.png   (48 likewise; 32 as is)
#   convert kvx-rescue.xpm -filter point -resize 256x256 256.png
#   convert 16.png 32.png 48.png 256.png kvx-rescue.ico
include_guard(GLOBAL)

if(WIN32)
  enable_language(RC)
endif()

set(KVX_WINDOWS_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR}/windows)
get_filename_component(KVX_WINDOWS_ICON ${CMAKE_CURRENT_LIST_DIR}/../src/ui/resources/kvx-rescue.ico
                       ABSOLUTE)

function(kvx_add_windows_resources target kind)
  if(NOT WIN32)
    return()
  endif()
  if(kind STREQUAL "GUI")
    set(KVX_EXECUTION_LEVEL requireAdministrator)
    set(KVX_FILE_DESCRIPTION "KVX card rescue")
    set(KVX_ICON_LINE "1 ICON \"${KVX_WINDOWS_ICON}\"")
    set(manifest_template ${KVX_WINDOWS_RESOURCES_DIR}/gui.manifest.in)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  elseif(kind STREQUAL "CONSOLE")
    set(KVX_EXECUTION_LEVEL asInvoker)
    set(KVX_FILE_DESCRIPTION "KVX card rescue, headless front end")
    set(KVX_ICON_LINE "")
    set(manifest_template ${KVX_WINDOWS_RESOURCES_DIR}/console.manifest.in)
  else()
    message(FATAL_ERROR "kvx_add_windows_resources(${target} ${kind}): the kind is GUI or CONSOLE")
  endif()

  # Windows wants four numbers; missing parts of the project version are 0.
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(KVX_VERSION_${part} 0)
    if(NOT "${PROJECT_VERSION_${part}}" STREQUAL "")
      set(KVX_VERSION_${part} ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  set(KVX_VERSION_TEXT ${PROJECT_VERSION})
  set(KVX_TARGET_NAME ${target})

  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(KVX_MANIFEST_FILE ${out_dir}/${target}.manifest)
  configure_file(${manifest_template} ${KVX_MANIFEST_FILE} @ONLY)
  configure_file(${KVX_WINDOWS_RESOURCES_DIR}/resources.rc.in ${out_dir}/${target}.rc @ONLY)

  # windres reads the manifest and icon itself: rebuild the resources when they change.
  set_source_files_properties(${out_dir}/${target}.rc PROPERTIES
    OBJECT_DEPENDS "${KVX_MANIFEST_FILE};${KVX_WINDOWS_ICON}")
  target_sources(${target} PRIVATE ${out_dir}/${target}.rc)

  # No libstdc++, libgcc or winpthread DLL beside the exe.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
