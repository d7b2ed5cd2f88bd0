# Helpers shared by every folder's CMakeLists.txt.

function(orlisk_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual -Wformat=2)
  if(ORLISK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# orlisk_library(<target> [SHARED] LINKS <libs...>)
# One library per folder; its sources are every .cpp/.h of the folder, so adding a
# file needs no edit here.
function(orlisk_library target)
  cmake_parse_arguments(ARG "SHARED" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    # A folder whose sources are still to come builds as an empty library.
    set(sources ${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp)
    file(WRITE ${sources} "// no sources yet\n")
  endif()
  if(ARG_SHARED)
    add_library(${target} SHARED ${sources} ${headers})
  else()
    add_library(${target} STATIC ${sources} ${headers})
  endif()
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  orlisk_warnings(${target})
endfunction()
