# The verification message schema, compiled by flatc into build/generated/VerifyMsg_generated.h.
# The field names are the wire names of the message, hence the camel case flatc would warn about.
set(KYLD_SCHEMA ${CMAKE_CURRENT_SOURCE_DIR}/src/utils/VerifyMsg.fbs)
set(KYLD_SCHEMA_HEADER ${CMAKE_CURRENT_BINARY_DIR}/generated/VerifyMsg_generated.h)
add_custom_command(OUTPUT ${KYLD_SCHEMA_HEADER}
  COMMAND ${FLATC} --cpp --no-warnings -o ${CMAKE_CURRENT_BINARY_DIR}/generated ${KYLD_SCHEMA}
  DEPENDS ${KYLD_SCHEMA}
  COMMENT "Compiling VerifyMsg.fbs"
  VERBATIM)
target_sources(kylivingdetection PRIVATE ${KYLD_SCHEMA_HEADER})
