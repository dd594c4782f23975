# The protocol tests play the cloud with the development root private keys.
target_compile_definitions(test_protocol PRIVATE KYLD_KEYS_DIR="${KYLD_KEYS_DIR}")
