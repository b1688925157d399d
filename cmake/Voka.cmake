# Build helpers shared by every folder.

include(GNUInstallDirs)
# The programs and the files they look for beside themselves (the stored files the window
# writes there, the updater it starts) share one private folder under the prefix.
set(VOKA_INSTALL_PROGRAM_DIR lib/voka)

# voka_library(NAME [DEPS target...])
# One library per folder, made of every source in it.
function(voka_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} Threads::Threads)
  endif()
endfunction()

# voka_test(NAME [THREADS] [BARE] [TIMEOUT seconds] [LIBS target...] [SOURCES file...])
# A GoogleTest executable; by default every .cpp of the calling folder.
# Each test case runs as its own CTest test, in a fresh temporary VOKA_HOME
# (see tests/support/TestMain.cpp for the environment a test sees), and fails once it
# has run for TIMEOUT seconds (60 unless given), so a hang fails fast.
# THREADS: the tests start threads (directly or through the code they run). They are
# labelled "threads" and run under ThreadSanitizer too (see voka_sanitizer_test).
# BARE: the tests are of layers below the serial platform; nothing is started before them
# (tests/support/TestPlatform.h). Otherwise the platform is started as in the programs.
function(voka_test name)
  cmake_parse_arguments(ARG "THREADS;BARE" "TIMEOUT" "LIBS;SOURCES" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 60)
  endif()
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(ARG_BARE)
    set(start voka_test_bare_platform)
  else()
    set(start voka_test_platform)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} voka_test_main ${start} GTest::gmock)
  set(labels "")
  if(ARG_THREADS)
    set(labels threads)
    voka_sanitizer_test(${name})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${labels}")
endfunction()

# voka_sanitizer_test(TARGET)
# TARGET is one of the test programs of the ThreadSanitizer stage: the target
# thread_sanitizer_tests builds them all; their tests carry the label "threads" or "replay".
function(voka_sanitizer_test target)
  set_property(GLOBAL APPEND PROPERTY VOKA_SANITIZER_TESTS ${target})
endfunction()

# voka_resource(TARGET NAME FILE)
# Compiles FILE into TARGET as the module resource NAME.
function(voka_resource target name file)
  string(MAKE_C_IDENTIFIER "${name}" ident)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/resource_${ident}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DNAME=${name} -DIDENT=${ident}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResource.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/EmbedResource.cmake
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()

# voka_install_program(TARGET [ON_PATH])
# Installs the program TARGET into the private program folder; ON_PATH adds a relative
# link to it in bin/. A program finds its folder through its resolved executable, so run
# through the link it still finds the files installed beside it.
function(voka_install_program target)
  cmake_parse_arguments(ARG "ON_PATH" "" "" ${ARGN})
  install(TARGETS ${target} RUNTIME DESTINATION ${VOKA_INSTALL_PROGRAM_DIR})
  if(NOT ARG_ON_PATH)
    return()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  file(RELATIVE_PATH destination /${CMAKE_INSTALL_BINDIR} /${VOKA_INSTALL_PROGRAM_DIR}/${name})
  set(link ${CMAKE_BINARY_DIR}/install-links/${name})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
  file(CREATE_LINK ${destination} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# voka_version_resource(TARGET...)
# Gives each program the project's version resource (PROJECT_VERSION), which the version
# functions read from the file.
function(voka_version_resource)
  set(out ${CMAKE_BINARY_DIR}/generated/VersionResource.cpp)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionResource.cpp.in ${out} @ONLY)
  foreach(target IN LISTS ARGN)
    target_sources(${target} PRIVATE ${out})
  endforeach()
endfunction()
