# Authenticode signatures on the programs the build ships. VELMORA_SIGN is the command that
# signs, in place, the files named after it: tools/sign with the certificate in the build's
# environment (VELMORA_SIGN_PFX, VELMORA_SIGN_PASSWORD_FILE, ...; its header lists them),
# or with its options in the list itself:
#   -DVELMORA_SIGN="/src/tools/sign;--pfx;/keys/code.pfx;--password-file;/keys/password"
# Velmora.exe and uninstall.exe are signed where the payload tree is staged, before they are
# packed (server/CMakeLists.txt); setup.exe after it is linked. Empty, the default: nothing
# is signed.
set(VELMORA_SIGN "" CACHE STRING "Command that signs programs in place (tools/sign); empty: no signing")

# The command as last configured: what was staged, packed or linked with another one (or
# with none) is made again.
set(VELMORA_SIGN_RECORD ${CMAKE_BINARY_DIR}/sign_command.txt)
file(CONFIGURE OUTPUT ${VELMORA_SIGN_RECORD} CONTENT "${VELMORA_SIGN}\n")

# velmora_sign_after_link(<target> [<command>...]): signs the program after every link.
# A failed signature fails the link, and the makefile deletes the unsigned program.
function(velmora_sign_after_link target)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VELMORA_SIGN_RECORD})
  if(ARGN)
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${ARGN} $<TARGET_FILE:${target}>
                       COMMENT "Signing ${target}" VERBATIM)
  endif()
endfunction()
