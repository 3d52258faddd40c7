# Run by CPack once the zip's files are laid out and before the zip is made. When
# QNPURGE_SIGNING_PFX names a PKCS#12 certificate (its password in the file
# QNPURGE_SIGNING_PASSWORD_FILE, if it has one), qnpurge.exe is signed with Authenticode (SHA-256),
# and the signature is timestamped by QNPURGE_TIMESTAMP_URL (RFC 3161) when that is set; a
# signature that cannot be made stops the package. Then SHA256SUMS lists the hash of every file,
# as sha256sum writes it.
set(dir "${CPACK_TEMPORARY_DIRECTORY}")
if(NOT "$ENV{QNPURGE_SIGNING_PFX}" STREQUAL "")
  set(sign osslsigncode sign -pkcs12 "$ENV{QNPURGE_SIGNING_PFX}" -h sha256 -n qnpurge)
  if(NOT "$ENV{QNPURGE_SIGNING_PASSWORD_FILE}" STREQUAL "")
    list(APPEND sign -readpass "$ENV{QNPURGE_SIGNING_PASSWORD_FILE}")
  endif()
  if(NOT "$ENV{QNPURGE_TIMESTAMP_URL}" STREQUAL "")
    list(APPEND sign -ts "$ENV{QNPURGE_TIMESTAMP_URL}")
  endif()
  # The signature goes into a copy: a signing that fails half way leaves no broken executable.
  file(REMOVE "${dir}/qnpurge.signed.exe")
  execute_process(COMMAND ${sign} -in "${dir}/qnpurge.exe" -out "${dir}/qnpurge.signed.exe"
                  RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Unable to sign qnpurge.exe with $ENV{QNPURGE_SIGNING_PFX}: ${said}")
  endif()
  file(RENAME "${dir}/qnpurge.signed.exe" "${dir}/qnpurge.exe")
endif()

file(GLOB names RELATIVE "${dir}" "${dir}/*")
list(REMOVE_ITEM names SHA256SUMS)
list(SORT names)
set(sums "")
foreach(name IN LISTS names)
  file(SHA256 "${dir}/${name}" hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${dir}/SHA256SUMS" "${sums}")
