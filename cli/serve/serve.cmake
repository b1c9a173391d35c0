# `vezuved serve`: the page's server lives in vezuved-serve, the same tool
# built again from the same sources with cpp-httplib (Debian's, a compiled
# library found by pkg-config, which loads OpenSSL and brotli with it) and
# the page's files; `vezuved` itself stays as lean as before and runs
# vezuved-serve in its place for `serve`. Without cpp-httplib (or in a
# cross build) there is no vezuved-serve, and the tool says that serve is
# not in its build.
if(NOT CMAKE_CROSSCOMPILING AND PKG_CONFIG_FOUND)
  pkg_check_modules(HTTPLIB QUIET IMPORTED_TARGET GLOBAL cpp-httplib)
endif()
if(NOT HTTPLIB_FOUND OR NOT NLOHMANN_JSON_INCLUDE_DIR)
  message(STATUS "cpp-httplib not found or a cross build: the tool will have no serve")
  return()
endif()
set(web_folder ${PROJECT_SOURCE_DIR}/web)
set(web_names index.html app.js view.js app.css)
string(REPLACE ";" "," web_list "${web_names}")
set(web_sources ${web_names})
list(TRANSFORM web_sources PREPEND ${web_folder}/)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/web_files.cpp
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/web_files.cpp -DFOLDER=${web_folder}
          -DFILES=${web_list} -P ${PROJECT_SOURCE_DIR}/cmake/embed_files.cmake
  DEPENDS ${web_sources} ${PROJECT_SOURCE_DIR}/cmake/embed_files.cmake
  COMMENT "Building the page into the tool")

get_target_property(tool_sources vezuved_cli SOURCES)
get_target_property(tool_includes vezuved_cli INCLUDE_DIRECTORIES)
get_target_property(tool_definitions vezuved_cli COMPILE_DEFINITIONS)
get_target_property(tool_libraries vezuved_cli LINK_LIBRARIES)
add_executable(vezuved_serve ${tool_sources}
  serve/serve_security.cpp
  serve/captured_run.cpp
  serve/opened_files.cpp
  serve/open_pages.cpp
  serve/device_jobs.cpp
  serve/serve_server.cpp
  serve/serve_routes.cpp
  serve/file_routes.cpp
  serve/device_routes.cpp
  serve/zip_bundle.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/web_files.cpp)
target_include_directories(vezuved_serve PRIVATE ${tool_includes} ${NLOHMANN_JSON_INCLUDE_DIR})
target_compile_definitions(vezuved_serve PRIVATE ${tool_definitions} VEZUVED_HAVE_HTTPLIB)
find_package(Threads REQUIRED)
target_link_libraries(vezuved_serve PRIVATE ${tool_libraries} PkgConfig::HTTPLIB Threads::Threads)
if(TARGET PkgConfig::LIBZIP)
  target_link_libraries(vezuved_serve PRIVATE PkgConfig::LIBZIP)
  set_source_files_properties(serve/zip_bundle.cpp PROPERTIES COMPILE_DEFINITIONS VEZUVED_HAVE_LIBZIP)
endif()
set_target_properties(vezuved_serve PROPERTIES OUTPUT_NAME vezuved-serve)
# Built with the tool, which runs it.
add_dependencies(vezuved_cli vezuved_serve)
install(TARGETS vezuved_serve RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
