# velmora_add_payload(<target> <folder> <keep-list> [DEPENDS <targets or files>...])
# Packs <folder> with the payload builder at build time and makes <target>, an object
# library holding the archive as resource "EXT" 10 (language neutral); link it into the
# program that carries the payload. The same run writes <target>_paths.h into
# ${VELMORA_PAYLOAD_HEADERS} (on the include path): what the program's code must know of
# the archive it carries (tools/payload-builder/paths_header.h). Code that includes it
# depends on <target>. <keep-list> names the paths that an upgrade keeps.
# DEPENDS names what produces a folder that is made at build time (its files cannot be
# listed when the build is configured).
function(velmora_add_payload target folder keep_list)
  cmake_parse_arguments(P "" "" "DEPENDS" ${ARGN})
  get_filename_component(folder "${folder}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(keep_list "${keep_list}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(archive "${CMAKE_CURRENT_BINARY_DIR}/${target}.payload")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
  set(header "${VELMORA_PAYLOAD_HEADERS}/${target}_paths.h")
  set(inputs)
  if(NOT P_DEPENDS)
    file(GLOB_RECURSE inputs CONFIGURE_DEPENDS LIST_DIRECTORIES false "${folder}/*")
  endif()
  # The builder is a Windows program run by the emulator: it sees this machine's
  # files on drive Z:. The emulator runs 64-bit programs only, so a 32-bit build uses
  # the builder of a 64-bit build.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(builder payload-builder)
    set(builder_file payload-builder)
  elseif(VELMORA_HOST_PAYLOAD_BUILDER)
    set(builder ${CMAKE_CROSSCOMPILING_EMULATOR} ${VELMORA_HOST_PAYLOAD_BUILDER})
    set(builder_file ${VELMORA_HOST_PAYLOAD_BUILDER})
  else()
    message(FATAL_ERROR "A 32-bit build packs its payload with the 64-bit build's payload-builder.exe: "
                        "set VELMORA_HOST_PAYLOAD_BUILDER (tools/build i686 does)")
  endif()
  add_custom_command(OUTPUT "${archive}" "${header}"
    COMMAND ${builder} "Z:${folder}" "Z:${keep_list}" "Z:${archive}" "Z:${header}"
    DEPENDS ${builder_file} ${inputs} "${keep_list}" ${P_DEPENDS}
    COMMENT "Packing the payload ${target}"
    VERBATIM)
  file(CONFIGURE OUTPUT "${rc}" CONTENT "LANGUAGE 0, 0\n10 EXT \"${archive}\"\n")
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${archive}")
  add_library(${target} OBJECT "${rc}")
endfunction()
