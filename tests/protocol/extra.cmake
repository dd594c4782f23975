# The protocol tests play the cloud with the development root private keys.
target_compile_definitions(test_protocol PRIVATE KYLD_KEYS_DIR="${KYLD_KEYS_DIR}")

# kyld handshake driven through a pipe by openssl and flatc, when the tools are built.
if(TARGET kyld)
  add_test(NAME protocol.handshake
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/protocol/handshake_test.sh $<TARGET_FILE:kyld> ${KYLD_KEYS_DIR}
            ${PROJECT_SOURCE_DIR}/src/utils/VerifyMsg.fbs)
  set_tests_properties(protocol.handshake PROPERTIES LABELS protocol)
endif()
