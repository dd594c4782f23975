# kyld detect replaying landmark traces, when the tools are built.
if(TARGET kyld)
  add_test(NAME detectors.cli
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/detectors/detect_cli_test.sh $<TARGET_FILE:kyld>
            ${CMAKE_CURRENT_SOURCE_DIR}/detectors/traces)
  set_tests_properties(detectors.cli PROPERTIES LABELS detectors)
endif()
