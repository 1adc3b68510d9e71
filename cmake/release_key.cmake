# The vendor's release key as a resource: the raw point X‖Y of a PEM P-256 public key, written as
# the words of an RCDATA resource that both windres and rc read.
#   include(): zefra_release_key_rc(KEY.pem OUT.rc)
#   script:    cmake -DKEY=KEY.pem -DOUT=OUT.rc -P cmake/release_key.cmake

# The DER header of every P-256 public key (SubjectPublicKeyInfo, id-ecPublicKey, prime256v1),
# then 04 for an uncompressed point.
set(_ZEFRA_P256_PREFIX "3059301306072a8648ce3d020106082a8648ce3d03010703420004")
set(_ZEFRA_RELEASE_KEY_ID_H "${CMAKE_CURRENT_LIST_DIR}/../trust/release_key_id.h")

function(zefra_release_key_rc key out)
  find_program(ZEFRA_OPENSSL openssl)
  if(NOT ZEFRA_OPENSSL)
    message(FATAL_ERROR "ZEFRA_RELEASE_KEY needs openssl to read ${key}")
  endif()
  set(der "${out}.der")
  execute_process(COMMAND ${ZEFRA_OPENSSL} pkey -pubin -in ${key} -outform DER -out ${der}
                  RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "ZEFRA_RELEASE_KEY: ${key} is not a PEM public key (never build a private key in): ${error}")
  endif()
  file(READ ${der} hex HEX)
  file(REMOVE ${der})
  string(LENGTH "${hex}" length)
  string(SUBSTRING "${hex}" 0 54 prefix)
  if(NOT length EQUAL 182 OR NOT prefix STREQUAL _ZEFRA_P256_PREFIX)
    message(FATAL_ERROR "ZEFRA_RELEASE_KEY: ${key} is not an ECDSA P-256 (prime256v1) public key")
  endif()
  # 64 bytes as 32 little-endian words: the resource holds the bytes in their order.
  set(words "")
  foreach(offset RANGE 54 178 4)
    string(SUBSTRING "${hex}" ${offset} 2 low)
    math(EXPR next "${offset} + 2")
    string(SUBSTRING "${hex}" ${next} 2 high)
    string(APPEND words "  0x${high}${low},\n")
  endforeach()
  string(REGEX REPLACE ",\n$" "\n" words "${words}")
  get_filename_component(id_header "${_ZEFRA_RELEASE_KEY_ID_H}" ABSOLUTE)
  file(WRITE ${out} "// Generated from ${key}: the release key's raw point X and Y.\n"
                    "#include \"${id_header}\"\n\nIDR_RELEASE_KEY RCDATA\nBEGIN\n${words}END\n")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED KEY AND DEFINED OUT)
  zefra_release_key_rc(${KEY} ${OUT})
endif()
