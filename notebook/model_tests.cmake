# The notes model's share of this room's build: the JSON readers use JsonCpp, and
# notebook_model_tests runs tests/model_*.cpp over temporary databases under Wine.
target_link_libraries(pelora_notebook PUBLIC dep::jsoncpp)
file(GLOB _model_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/model_*.cpp)
if(_model_tests)
  pelora_test(notebook_model_tests SOURCES ${_model_tests} ${CMAKE_CURRENT_SOURCE_DIR}/tests/store_tests.rc
    LIBS "$<LINK_GROUP:RESCAN,pelora_notebook,pelora_shell,pelora_editor>"
         framework dep::sqlite3 dep::jsoncpp ws2_32 iphlpapi)
  target_include_directories(notebook_model_tests PRIVATE ${PROJECT_SOURCE_DIR}/resources)
endif()
if(TARGET notebook_model_tests)
  # a zone with daylight saving for the reminder arithmetic (the tests read it through the system)
  set_property(TEST notebook_model_tests APPEND PROPERTY ENVIRONMENT "TZ=America/New_York")
endif()
