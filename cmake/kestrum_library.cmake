# A room's library: the .cpp files of the calling folder (and any given), that folder as
# the include path of whatever links it, and the libraries it names. What a folder does
# not link it cannot include, so the edges between rooms are the links named here.
function(kestrum_library name)
  cmake_parse_arguments(LIBRARY "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources} ${LIBRARY_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${LIBRARY_PUBLIC} PRIVATE ${LIBRARY_PRIVATE})
endfunction()
