# fuzz_upload reads uploads with the cloud's own parser sources.
set(KYLD_CLOUD_DIR ${PROJECT_SOURCE_DIR}/tools/kyld-cloud)
find_package(OpenSSL REQUIRED)
target_sources(fuzz_upload PRIVATE ${KYLD_CLOUD_DIR}/UploadParser.cpp ${KYLD_CLOUD_DIR}/CloudCodec.cpp
  ${KYLD_CLOUD_DIR}/FormBody.cpp ${KYLD_CLOUD_DIR}/ColourJudge.cpp ${KYLD_CLOUD_DIR}/ImageCheck.cpp)
target_include_directories(fuzz_upload PRIVATE ${KYLD_CLOUD_DIR})
target_link_libraries(fuzz_upload PRIVATE OpenSSL::Crypto)
