# The cloud tests link the cloud's own code; it is built with the tools, or here when the
# tools are left out.
if(NOT TARGET kyld_cloud_core)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tools/kyld-cloud ${PROJECT_BINARY_DIR}/tools/kyld-cloud)
endif()
target_link_libraries(test_cloud PRIVATE kyld_cloud_core)
