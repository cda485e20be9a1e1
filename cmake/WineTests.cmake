# Tests that run under Wine share one X display and one warm wineserver per
# test run: a ctest fixture starts them before the first such test and stops
# them after the last. Programs reach them through scripts/wine, the emulator.
function(sorvane_wine_fixture)
  if(TEST wine.session.start)
    return()
  endif()
  set(session ${PROJECT_SOURCE_DIR}/scripts/wine-session)
  # The 32-bit build's installer test runs the installer in the 64-bit prefix.
  set(prefixes ${SORVANE_WINE_ARCH})
  if(SORVANE_WINE_ARCH STREQUAL "x86")
    list(APPEND prefixes x64)
  endif()
  add_test(NAME wine.session.start COMMAND ${session} start ${prefixes})
  add_test(NAME wine.session.stop COMMAND ${session} stop)
  set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 3000)
  set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
