# The system DLLs that are not KnownDLLs on every Windows the setup supports are
# delay-imported: the loader would otherwise take a copy placed beside setup.exe (a
# Downloads folder, a share) and run it as administrator before any of our code.
# base/system_dll.cpp loads each one by its full System32 path when its first function is
# called.
#
# Wherever a target links one of these names, it gets the delay-import library made here
# from the toolchain's own import library, with the same functions.
set(VELMORA_DELAY_IMPORTED_DLLS version crypt32 httpapi psapi)

# velmora_dll_exports(dll out_var): the functions that the toolchain's import library of
# `dll` names, as a .def file lists them (stdcall sizes kept on 32-bit).
function(velmora_dll_exports dll out_var)
  find_library(import_lib_${dll} NAMES ${dll} REQUIRED)
  execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import_lib_${dll}}
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # 32-bit symbols carry one more leading underscore: __imp__Name@8.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(prefix "__imp__")
  else()
    set(prefix "__imp_")
  endif()
  string(REGEX MATCHALL " ${prefix}[A-Za-z0-9_@]+" imports "${symbols}")
  list(TRANSFORM imports REPLACE " ${prefix}" "")
  list(REMOVE_DUPLICATES imports)
  set(${out_var} ${imports} PARENT_SCOPE)
endfunction()

foreach(dll ${VELMORA_DELAY_IMPORTED_DLLS})
  velmora_dll_exports(${dll} exports)
  string(TOUPPER ${dll} upper)
  list(JOIN exports "\n  " lines)
  set(def ${CMAKE_BINARY_DIR}/delay-imports/${dll}.def)
  set(lib ${CMAKE_BINARY_DIR}/delay-imports/lib${dll}-delay.a)
  file(WRITE ${def} "LIBRARY ${upper}.dll\nEXPORTS\n  ${lines}\n")
  # --kill-at: the DLL itself exports the 32-bit names without their stdcall sizes.
  execute_process(COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${def} --dllname ${upper}.dll
                          --output-delaylib ${lib}
                  COMMAND_ERROR_IS_FATAL ANY)
  add_library(${dll} STATIC IMPORTED)
  set_target_properties(${dll} PROPERTIES IMPORTED_LOCATION ${lib})
  # The 32-bit linker drops the thunk of a delay-import member when the code only calls
  # through the function's import slot (every call the system headers declare dllimport),
  # and the slot, which should point at that thunk, is left 0. Naming every thunk as
  # needed keeps them all; the slots of functions never called are never resolved.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(TRANSFORM exports PREPEND "-u _")
    list(JOIN exports "\n" thunks)
    # A response file for the linker: an EXTERN script is read too late to keep them.
    set(keep ${CMAKE_BINARY_DIR}/delay-imports/${dll}-thunks.rsp)
    file(WRITE ${keep} "${thunks}\n")
    set_target_properties(${dll} PROPERTIES INTERFACE_LINK_OPTIONS "LINKER:@${keep}")
  endif()
endforeach()

# velmora_check_imports(<target>...): after every link, fails the build when an import slot
# of the program has nothing to fill it (tools/check-imports).
function(velmora_check_imports)
  foreach(target ${ARGN})
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${CMAKE_SOURCE_DIR}/tools/check-imports $<TARGET_FILE:${target}>
                       COMMENT "Checking the import slots of ${target}" VERBATIM)
  endforeach()
endfunction()
