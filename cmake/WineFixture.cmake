# Wine needs a prefix before the first program runs, and every run waits
# about three seconds for its server to quit unless one stays up. One fixture
# prepares both before the tests and stops the server after them. The prefix
# is of the architecture the toolchain file chose (WINE_ARCH).
set(TEST_FIXTURES wine)
set(wine_prefix ${CMAKE_BINARY_DIR}/wine)
add_test(NAME wine.start COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/wine-fixture.sh start ${wine_prefix} ${WINE_ARCH})
add_test(NAME wine.stop COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/wine-fixture.sh stop ${wine_prefix} ${WINE_ARCH})
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
