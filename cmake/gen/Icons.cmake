# The resource bundle "KyLivingIcon": the detection screen's images, drawn by kyld-icongen
# into build/KyLivingIcon.bundle and installed beside the library.
include(GNUInstallDirs)
add_executable(kyld-icongen ${CMAKE_CURRENT_SOURCE_DIR}/tools/icongen/IconGen.cpp)
target_link_libraries(kyld-icongen PRIVATE PkgConfig::KYLD_PC)

set(KYLD_ICON_BUNDLE ${CMAKE_CURRENT_BINARY_DIR}/KyLivingIcon.bundle)
set(KYLD_ICONS living_promt_icon_wait living_promt_icon_process living_promt_icon_complete
  people progress living_icon_exit)
list(TRANSFORM KYLD_ICONS PREPEND ${KYLD_ICON_BUNDLE}/ OUTPUT_VARIABLE KYLD_ICON_FILES)
list(TRANSFORM KYLD_ICON_FILES APPEND .png)
add_custom_command(OUTPUT ${KYLD_ICON_FILES}
  COMMAND kyld-icongen ${KYLD_ICON_BUNDLE}
  DEPENDS kyld-icongen
  COMMENT "Drawing the KyLivingIcon bundle"
  VERBATIM)
add_custom_target(kyld_icons ALL DEPENDS ${KYLD_ICON_FILES})
add_dependencies(kylivingdetection kyld_icons)
# The build tree's copy is the last place the main bundle looks.
target_compile_definitions(kylivingdetection PRIVATE KYLD_BUILD_RESOURCE_DIR="${CMAKE_CURRENT_BINARY_DIR}")
install(DIRECTORY ${KYLD_ICON_BUNDLE} DESTINATION ${CMAKE_INSTALL_LIBDIR})
